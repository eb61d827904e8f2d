#include "cli/Command.h"
#include "cli/GridFile.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"
#include "cli/planning/PlanningFiles.h"

#include <iostream>
#include <optional>

namespace angiolith::tool {

namespace {

int territories(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    applyThreads(args);
    const std::string treePath = args.positional()[0];
    const std::string tissuePath = args.value("tissue");
    const Forest forest = readForest(treePath);
    requireVolumeIds(forest, treePath);
    const std::optional<Geometry> grid = gridOfForest(treePath);
    unsigned long long voxels = 0;
    const Volume tissue = readMask(tissuePath, "tissue mask", voxels);
    if (grid) {
        const std::string difference = geometryDifference(*grid, tissue.geometry);
        if (!difference.empty()) {
            throw UserError("the trees '" + treePath + "' and the tissue mask '" + tissuePath +
                            "' differ in " + difference +
                            "; resample the tissue mask onto the grid of the vessel mask");
        }
    }
    requireTreeOnGrid(forest, treePath, tissue.geometry, "the tissue mask '" + tissuePath + "'");
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, tissuePath), progress);
    const Territories result = runTerritories(progress, forest, tissue, voxels);
    planning::Provenance provenance;
    provenance.command = "territories";
    provenance.tissue = tissuePath;
    provenance.trees = {treePath};
    provenance.grid = tissue.geometry;
    provenance.options = planning::optionsJson(args);
    provenance.warnings = progress.warnings();
    const planning::Quantities quantities = planning::writeTerritoryOutputs(
        outputs, forest, result, {}, provenance, false, result.vesselIds, false);
    outputs.commit();
    if (!args.has("quiet")) std::cout << planning::summaryText(quantities);
    return 0;
}

}  // namespace

Command territoriesCommand() {
    CommandDefinition definition;
    definition.name = "territories";
    definition.summary = "assign every tissue voxel to its nearest vessel of any tree";
    definition.positionals = {"TREES"};
    definition.options = {{"tissue", "LIVER", "tissue mask on the grid of the vessel mask"},
                          outOption("vessel-ids, distances and preview.png"),
                          formatOption(),
                          threadsOption(),
                          quietOption()};
    definition.required = {"tissue", "out"};
    definition.description =
        "Writes report.html (the page to open first: the tree in 3-D and the territory\n"
        "table), vessel-ids (uint16: the id of the nearest vessel, 0 outside the tissue),\n"
        "distances (float: millimetres to that vessel's centre line), territories.json and\n"
        "territories.csv (volume per vessel, subtree, tree, segment and resection status), "
        "tree.vtp\n"
        "with the planning arrays and preview.png. TREES is the folder of the tree files (or one\n"
        "tree file); all trees compete for the tissue.";
    definition.example = "  angiolith territories step --tissue Segmentation-liver.nrrd --out step";
    return {definition, territories};
}

}  // namespace angiolith::tool
