#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/planning/PlanningFiles.h"
#include "cli/report/ReportContent.h"

#include <iostream>

namespace angiolith::tool {

namespace {

int territories(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    applyThreads(args);
    const std::string treePath = args.positional()[0];
    const std::string tissuePath = args.value("tissue");
    ArVesselTree tree = readTreeFile(treePath);
    requireVolumeIds(tree, treePath);
    unsigned long long voxels = 0;
    const Volume tissue = readMask(tissuePath, "tissue mask", voxels);
    requireTreeOnGrid(tree, treePath, tissue.geometry, "the tissue mask '" + tissuePath + "'");
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, tissuePath), progress);
    const Territories result = runTerritories(progress, tree, tissue, voxels);
    outputs.volume("vessel-ids", result.vesselIds);
    outputs.volume("distances", result.distances);
    planning::Provenance provenance;
    provenance.command = "territories";
    provenance.tissue = tissuePath;
    provenance.trees = {treePath};
    provenance.grid = tissue.geometry;
    provenance.options = planning::optionsJson(args);
    nlohmann::json document;
    const planning::Quantities quantities = planning::writeTerritoryFiles(
        outputs, {tree}, result.vesselIds, provenance, false, &document);
    std::vector<std::uint8_t> png =
        outputs.preview(tissue.geometry, &result.vesselIds, nullptr, tree);
    outputs.report(reportContent(std::move(document), {tree}, result.vesselIds, std::move(png)));
    outputs.commit();
    if (!args.has("quiet")) std::cout << planning::summaryText(quantities);
    return 0;
}

}  // namespace

Command territoriesCommand() {
    CommandDefinition definition;
    definition.name = "territories";
    definition.summary = "assign every tissue voxel to its nearest vessel";
    definition.positionals = {"TREE"};
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
        "territories.csv (volume per vessel, subtree, tree, segment and resection status), tree.vtp\n"
        "with the planning arrays and preview.png.";
    definition.example =
        "  angiolith territories step/tree.txt --tissue Segmentation-liver.nrrd --out step";
    return {definition, territories};
}

}  // namespace angiolith::tool
