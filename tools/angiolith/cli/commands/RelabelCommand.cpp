#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <iostream>

namespace angiolith::tool {

namespace {

int relabelIds(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string idsPath = args.positional()[0];
    const std::string treePath = args.value("tree");
    const Volume ids = readImage(idsPath, "vessel-ID volume");
    if (ids.pic->type != lumoTeskTypeUnsigned || ids.pic->bits != 16) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds " +
                        kindName(ids.pic->type, ids.pic->bits) +
                        " elements, not uint16; give the vessel-ids file that 'angiolith "
                        "territories' wrote");
    }
    ArVesselTree tree = readTreeFile(treePath);
    const TreeStats stats = statsOf(tree);
    const unsigned int largest = maxValue16(ids);
    if (static_cast<long>(largest) > stats.maxId) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds vessel id " +
                        std::to_string(largest) + ", but the largest id in '" + treePath + "' is " +
                        std::to_string(stats.maxId) +
                        "; give the tree the territories were computed from");
    }
    const LabelRule rule = labelRuleOf(args);
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, idsPath), progress);
    const Volume labels = runRelabel(progress, ids, tree, rule);
    outputs.volume("labels-" + nameOf(rule), labels);
    outputs.commit();
    return 0;
}

}  // namespace

Command relabelCommand() {
    CommandDefinition definition;
    definition.name = "relabel";
    definition.summary = "turn a vessel-ID volume into segments, vessel types or resection states";
    definition.positionals = {"VESSEL_IDS"};
    definition.options = {{"tree", "TREE", "the tree the territories were computed from"},
                          outOption("labels-RULE"),
                          {"labels", "RULE", "segment, type or resection (default segment)"},
                          formatOption(),
                          quietOption()};
    definition.required = {"tree", "out"};
    definition.description =
        "Each vessel's attributes come from TREE: edit its segment (third number of a vessel\n"
        "record), type (fourth: 1 hepatic, 2 portal) or resection status (fifth) in tree.txt\n"
        "and relabel again.";
    definition.example =
        "  angiolith relabel step/vessel-ids.nrrd --tree step/tree.txt --labels type --out step";
    return {definition, relabelIds};
}

}  // namespace angiolith::tool
