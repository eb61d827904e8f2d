#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/planning/PlanningFiles.h"

#include <iostream>
#include <optional>
#include <utility>

namespace angiolith::tool {

namespace {

int run(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    applyThreads(args);
    const std::string vesselsPath = args.positional()[0];
    const std::string tissuePath = args.value("tissue");

    // Every check of the command line and the inputs comes before the first stage.
    const LabelChoice labels = labelChoiceOf(args);
    unsigned long long vesselVoxels = 0, tissueVoxels = 0;
    const Volume vessels = readMask(vesselsPath, "vessel mask", vesselVoxels);
    Volume tissue;
    if (args.has("tissue")) {
        tissue = readMask(tissuePath, "tissue mask", tissueVoxels);
        requireSameGrid(vessels, vesselsPath, tissue, tissuePath, "tissue mask");
    }
    ForestOptions forestOptions;
    forestOptions.starts = startsOf(args, vessels.geometry);
    forestOptions.minPart = minPartOf(args);
    forestOptions.labelsAsTypes = labels.byLabel;
    const float relevance = relevanceOf(args);
    const LabelRule rule = labelRuleOf(args);
    const ThinningOptions thinning = thinningOf(args);
    VesselSystems systems = vesselSystemsOf(vessels, vesselVoxels, vesselsPath, labels);
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, vesselsPath), progress);

    const Thinned skeleton = runThinning(progress, std::move(systems), thinning);
    Forest forest = runExtraction(progress, skeleton.skeleton, skeleton.distances,
                                  "the vessel mask '" + vesselsPath + "'", forestOptions);
    runCleaning(progress, forest, relevance, args.has("preserve-cycles"));
    std::optional<Territories> territories;
    std::optional<Volume> relabelled;
    std::optional<planning::Quantities> quantities;
    if (args.has("tissue")) {
        requireVolumeIds(forest, "the extracted trees");
        territories = runTerritories(progress, forest, tissue, tissueVoxels);
        relabelled = runRelabel(progress, territories->vesselIds, forest, rule);
    }

    outputs.volume("skeleton", skeleton.skeleton);
    outputs.volume("distance-field", skeleton.distances);
    if (territories) {
        planning::Provenance provenance;
        provenance.command = "run";
        provenance.vessels = vesselsPath;
        provenance.tissue = tissuePath;
        for (std::size_t t = 0; t < forest.size(); ++t) {
            provenance.trees.push_back(args.value("out") + "/" + treeFileName(t + 1));
        }
        provenance.grid = vessels.geometry;
        provenance.options = planning::optionsJson(args);
        provenance.warnings = progress.warnings();
        quantities =
            planning::writeTerritoryOutputs(outputs, forest, *territories, {{&*relabelled, rule}},
                                            provenance, false, territories->vesselIds, true);
    } else {
        outputs.forest(forest, &vessels.geometry);
        outputs.preview(vessels.geometry, nullptr, &vessels, forest);
    }
    outputs.commit();
    if (quantities && !args.has("quiet")) std::cout << planning::summaryText(*quantities);
    return 0;
}

}  // namespace

Command runCommand() {
    CommandDefinition definition;
    definition.name = "run";
    definition.summary = "the whole chain: skeleton, tree, cleaning, territories, relabelling";
    definition.positionals = {"VESSELS"};
    definition.options = {
        {"tissue", "LIVER",
         "tissue mask (e.g. the liver) to divide into territories; without it the run stops "
         "after the tree"},
        outOption("the results"),
        startOption(),
        minPartOption(),
        labelOption(),
        byLabelOption(),
        relevanceOption(),
        preserveCyclesOption(),
        {"labels", "RULE",
         "relabel the territories by segment, type or resection (default segment)"},
        cleaningPassesOption(),
        mostNeighboursFirstOption(),
        formatOption(),
        threadsOption(),
        quietOption()};
    definition.required = {"out"};
    definition.repeatable = {"start"};
    definition.description =
        "VESSELS and LIVER are masks in NIfTI (.nii, .nii.gz) or NRRD (.nrrd, .nhdr) files of\n"
        "any integer or float type; every non-zero voxel belongs to the object. Both must\n"
        "share one grid (size, spacing, origin, orientation).\n\n"
        "Writes into DIR:\n"
        "  report.html                with LIVER: the page to open first (one self-contained\n"
        "                             file): the tree in 3-D, the territory table, the figures\n"
        "  skeleton, distance-field   the thinned mask (0/1) and its distance to the background\n"
        "  tree-1.txt, tree-2.txt ... one vessel tree per connected part of the skeleton\n"
        "                             (largest first), in the library's text format; positions\n"
        "                             are voxel index times spacing (mm), without origin\n"
        "  grid.json                  the grid of the trees (size, spacing, origin, orientation)\n"
        "  tree.vtp                   the centre lines as VTK PolyData, one polyline per vessel,\n"
        "                             point data 'radius' (mm), cell data 'vesselId' and\n"
        "                             'treeId', in the\n"
        "                             image's world coordinates in millimetres in the LPS frame\n"
        "                             (x left, y posterior, z superior) that 3D Slicer assumes\n"
        "                             for models; ParaView shows it over images read in LPS\n"
        "  vessel-ids, distances      with LIVER: the nearest vessel of every tissue voxel and\n"
        "                             the distance to its centre line (mm)\n"
        "  labels-RULE                with LIVER: the territories relabelled by RULE, with colour\n"
        "                             tables (.ctbl, .label.txt) and a segmentation (.seg.nrrd)\n"
        "  territories.json, .csv     with LIVER: volume per vessel, subtree, tree, segment and\n"
        "                             resection status (mL and % of the tissue)\n"
        "  preview.png                projections of the territories (or of the mask) with the\n"
        "                             centre lines\n"
        "Volumes keep the input's geometry and format (see --format). Files appear only when\n"
        "the whole run succeeded.";
    definition.example =
        "  angiolith run Segmentation-vessels.nrrd --tissue Segmentation-liver.nrrd \\\n"
        "      --out results --relevance 0.5 --labels segment";
    return {definition, run};
}

}  // namespace angiolith::tool
