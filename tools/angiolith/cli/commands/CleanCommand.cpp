#include "cli/Command.h"
#include "cli/GridFile.h"
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
    Forest forest = readForest(treePath);
    std::optional<Geometry> grid;
    std::string gridName = "the grid file beside '" + treePath + "'";
    if (args.has("reference")) {
        grid = readImage(args.value("reference"), "reference image").geometry;
        gridName = "'" + args.value("reference") + "'";
    } else {
        grid = gridOfForest(treePath);
    }
    if (grid) requireTreeOnGrid(forest, treePath, *grid, gridName);
    const float relevance = relevanceOf(args);
    StagedOutputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    runCleaning(progress, forest, relevance, args.has("preserve-cycles"));
    outputs.forest(forest, grid ? &*grid : nullptr);
    outputs.commit();
    return 0;
}

}  // namespace

Command cleanCommand() {
    CommandDefinition definition;
    definition.name = "clean";
    definition.summary = "remove irrelevant side branches from trees and join vessel chains";
    definition.positionals = {"TREES"};
    definition.options = {
        outOption("the tree files (and tree.vtp, grid.json)"),
        relevanceOption(),
        preserveCyclesOption(),
        {"reference", "IMAGE",
         "the image the trees were extracted from (default: the grid.json beside them)"},
        quietOption()};
    definition.required = {"out"};
    definition.description =
        "TREES is the folder 'extract' wrote the tree files into (or one tree file). With a\n"
        "grid (grid.json beside the trees, or --reference) tree.vtp and grid.json are\n"
        "written as well.";
    definition.example = "  angiolith clean step --relevance 0.6 --out step";
    return {definition, clean};
}

}  // namespace angiolith::tool
