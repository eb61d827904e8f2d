#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"
#include "cli/planning/ForestWalk.h"
#include "cli/planning/PlanActions.h"
#include "cli/planning/PlanPoints.h"
#include "cli/planning/PlanningFiles.h"
#include "cli/planning/ResultsFolder.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace angiolith::tool {

namespace {

using namespace planning;

constexpr double kDefaultMaxDistance = 5.0;

std::string headline(const Quantities& q) {
    const unsigned long long resected = q.resectedVoxels();
    std::ostringstream line;
    line << std::fixed << std::setprecision(1) << "resection: resected " << q.ml(resected)
         << " mL (" << q.percent(resected) << " %), remnant " << q.ml(q.tissueVoxels - resected)
         << " mL (" << q.percent(q.tissueVoxels - resected) << " %)\n";
    return line.str();
}

// Whether a vessel of @p trees is resected, by this plan or by the one that wrote them.
bool anyResected(const std::vector<ArVesselTree>& trees) {
    const std::vector<VesselEntry> entries = flatten(trees);
    return std::any_of(entries.begin(), entries.end(), [](const VesselEntry& e) {
        return e.vessel->getProperties().resectionStatus == kResectionResected;
    });
}

int plan(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    applyThreads(args);
    const std::string resultsPath = args.positional()[0];
    const std::string pointsPath = args.value("points");
    const double maxDistance = args.numberValue("max-distance", kDefaultMaxDistance);
    if (!(maxDistance > 0)) {
        throw UserError("--max-distance must be a positive number of millimetres");
    }
    Results results = readResults(resultsPath);
    std::vector<std::string> pointWarnings;
    const std::vector<PlanPoint> points = readPlanPoints(pointsPath, &pointWarnings);
    const Geometry& grid = results.vesselIds.geometry;
    unsigned long long tissueVoxels = countNonZero(*results.vesselIds.pic);
    const ImageFormat format =
        args.has("format") ? outputFormatOf(args, results.vesselIdsPath) : results.format;
    StagedOutputs outputs(args.value("out"), format, progress);

    progress.start("plan", std::to_string(points.size()) + " points");
    PlanOutcome outcome = applyPlan(results.trees, points, grid, maxDistance);
    outcome.warnings.insert(outcome.warnings.begin(), pointWarnings.begin(), pointWarnings.end());
    requireVolumeIds(results.trees, "the planned trees");
    progress.done("plan", std::to_string(outcome.lines.size()) + " actions");
    const bool resection = outcome.cut || anyResected(results.trees);
    if (!args.has("quiet")) {
        for (const std::string& line : outcome.lines) std::cout << "  " << line << "\n";
        for (const std::string& line : outcome.warnings) {
            std::cout << "  warning: " << line << "\n";
        }
    }

    Volume tissue{binarize(*results.vesselIds.pic), grid};
    const Territories territories = runTerritories(progress, results.trees, tissue, tissueVoxels);
    std::vector<Volume> labels;
    for (LabelRule rule : {LabelRule::Segment, LabelRule::Type, LabelRule::Resection}) {
        labels.push_back(runRelabel(progress, territories.vesselIds, results.trees, rule));
    }

    Provenance provenance;
    provenance.command = "plan";
    provenance.tissue = results.vesselIdsPath;
    provenance.trees = results.treePaths;
    provenance.points = pointsPath;
    provenance.grid = grid;
    provenance.options = optionsJson(args);
    provenance.options["max-distance"] = maxDistance;
    provenance.warnings = progress.warnings();
    provenance.warnings.insert(provenance.warnings.end(), outcome.warnings.begin(),
                               outcome.warnings.end());
    const Quantities quantities =
        writeTerritoryOutputs(outputs, results.trees, territories,
                              {{&labels[0], LabelRule::Segment},
                               {&labels[1], LabelRule::Type},
                               {&labels[2], LabelRule::Resection}},
                              provenance, resection, labels[resection ? 2 : 0], true);
    outputs.commit();
    if (!args.has("quiet")) {
        std::cout << summaryText(quantities);
        if (resection) std::cout << headline(quantities);
    }
    return 0;
}

}  // namespace

Command planCommand() {
    CommandDefinition definition;
    definition.name = "plan";
    definition.summary = "apply segments, vessel systems and cuts placed as points on the trees";
    definition.positionals = {"RESULTS"};
    definition.options = {
        {"points", "FILE",
         "points placed on the centre lines: a markups JSON file (.mrk.json, LPS or RAS) or a "
         "CSV of x,y,z,action lines in LPS millimetres"},
        outOption("the planned trees, volumes and quantities"),
        {"max-distance", "MM", "farthest a point may lie from every centre line (default 5)"},
        formatOption(),
        threadsOption(),
        quietOption()};
    definition.required = {"points", "out"};
    definition.description =
        "RESULTS is the --out folder of 'angiolith run' with --tissue (tree files and "
        "vessel-ids),\n"
        "or of an earlier plan (its segments and resections are kept and added to). A plan\n"
        "covers every tree of the folder: each point acts on the vessel whose centre line\n"
        "passes nearest, in any tree; between equally near vessels, on the one in the tree\n"
        "numbered first, then the one written first in its tree file (a parent before its\n"
        "children).\n"
        "Each point's label (or CSV action) says what it does:\n"
        "  segment N   the nearest vessel and its whole subtree get segment N; a deeper\n"
        "              point overrides a shallower one on its own subtree\n"
        "  hepatic     the nearest vessel's tree is a hepatic vessel system (type 1)\n"
        "  portal      the nearest vessel's tree is a portal vessel system (type 2)\n"
        "  cut         the nearest vessel is cut at its centre-line sample nearest the point:\n"
        "              the part beyond it (a new vessel, numbered one above the largest id of\n"
        "              all trees) and every vessel below are resected (status 3), the rest of\n"
        "              every tree is the remnant (status 2)\n"
        "Writes into DIR report.html (the page to open first: the planned trees in 3-D, the\n"
        "territory table and the resection), the planned trees (tree-1.txt, tree-2.txt, ...,\n"
        "grid.json, tree.vtp with the arrays segment, type, resection and subtreeMl),\n"
        "vessel-ids, distances, labels-segment, labels-type and labels-resection with colour\n"
        "tables (.ctbl; .label.txt for ITK-SNAP) and segmentations (.seg.nrrd),\n"
        "territories.json and territories.csv (volumes per vessel, subtree, tree, segment and\n"
        "resection status) and preview.png. The last lines give the resected and the remnant\n"
        "volume.";
    definition.example = "  angiolith plan results --points plan.mrk.json --out planned";
    return {definition, plan};
}

}  // namespace angiolith::tool
