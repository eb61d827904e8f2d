#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <iostream>
#include <utility>

namespace angiolith::tool {

namespace {

int relabelIds(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string idsPath = args.positional()[0];
    const std::string treePath = args.value("tree");
    Volume ids = readImage(idsPath, "vessel-ID volume");
    if (ids.pic->type != lumoTeskTypeUnsigned || ids.pic->bits != 16) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds " +
                        kindName(ids.pic->type, ids.pic->bits) +
                        " elements, not uint16; give the vessel-ids file that 'angiolith "
                        "territories' wrote");
    }
    const Forest forest = readForest(treePath);
    const TreeStats stats = statsOf(forest);
    const unsigned int largest = maxValue16(ids);
    if (static_cast<long>(largest) > stats.maxId) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds vessel id " +
                        std::to_string(largest) + ", but the largest id in '" + treePath + "' is " +
                        std::to_string(stats.maxId) +
                        "; give the trees the territories were computed from");
    }
    const LabelRule rule = labelRuleOf(args);
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, idsPath), progress);
    const Volume labels = runRelabel(progress, std::move(ids), forest, rule);
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
    definition.options = {
        {"tree", "TREES", "the trees the territories were computed from (their folder)"},
        outOption("labels-RULE"),
        {"labels", "RULE", "segment, type or resection (default segment)"},
        formatOption(),
        quietOption()};
    definition.required = {"tree", "out"};
    definition.description =
        "Each vessel's attributes come from TREES: edit its segment (third number of a vessel\n"
        "record), type (fourth: 1 hepatic, 2 portal) or resection status (fifth) in its tree\n"
        "file and relabel again.";
    definition.example =
        "  angiolith relabel step/vessel-ids.nrrd --tree step --labels type --out step";
    return {definition, relabelIds};
}

}  // namespace angiolith::tool
