#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"

#include <iostream>
#include <optional>

namespace angiolith::tool {

namespace {

int clean(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string treePath = args.positional()[0];
    ArVesselTree tree = readTreeFile(treePath);
    std::optional<Volume> reference;
    if (args.has("reference")) {
        reference = readImage(args.value("reference"), "reference image");
        requireTreeOnGrid(tree, treePath, reference->geometry, "'" + args.value("reference") + "'");
    }
    const float relevance = relevanceOf(args);
    StagedOutputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    runCleaning(progress, tree, relevance, args.has("preserve-cycles"));
    outputs.tree(tree, reference ? &reference->geometry : nullptr);
    outputs.commit();
    return 0;
}

}  // namespace

Command cleanCommand() {
    CommandDefinition definition;
    definition.name = "clean";
    definition.summary = "remove irrelevant side branches from a tree and join vessel chains";
    definition.positionals = {"TREE"};
    definition.options = {
        outOption("tree.txt (and tree.vtp)"),
        relevanceOption(),
        preserveCyclesOption(),
        {"reference", "IMAGE", "the image the tree was extracted from, to write tree.vtp as well"},
        quietOption()};
    definition.required = {"out"};
    definition.example =
        "  angiolith clean step/tree.txt --relevance 0.6 --reference Segmentation-vessels.nrrd \\\n"
        "      --out step";
    return {definition, clean};
}

}  // namespace angiolith::tool
