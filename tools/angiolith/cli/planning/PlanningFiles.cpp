#include "cli/planning/PlanningFiles.h"

#include "cli/TreeFile.h"
#include "cli/VtpWriter.h"
#include "cli/planning/LabelTables.h"
#include "cli/report/ReportContent.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace angiolith::tool::planning {

namespace {

// Opens @p path for writing, hands the stream to @p write and checks that all went out.
template <typename F>
void writeText(const std::string& path, F&& write) {
    std::ofstream out(path);
    if (out) write(out);
    out.close();
    if (!out) throw std::runtime_error("cannot write '" + path + "'");
}

// The centre lines of tree.vtp in the world coordinates of @p grid with the planning arrays per
// line: treeId, segment, type, resection and subtreeMl (the volume of the vessel's subtree in
// mL).
std::vector<Polyline> planningLines(const std::vector<ArVesselTree>& trees, const Geometry& grid,
                                    const Quantities& quantities) {
    std::vector<Polyline> lines;
    for (const ArVesselTree& tree : trees) {
        std::vector<Polyline> treeLines = worldLines(tree, grid);
        lines.insert(lines.end(), treeLines.begin(), treeLines.end());
    }
    // worldLines and the quantities both list the vessels tree by tree in preorder.
    for (std::size_t i = 0; i < lines.size() && i < quantities.vessels.size(); ++i) {
        const VesselFigures& f = quantities.vessels[i];
        lines[i].cellData = {{"treeId", f.tree},
                             {"segment", f.segment},
                             {"type", f.type},
                             {"resection", f.resection},
                             {"subtreeMl", quantities.ml(f.subtreeVoxels)}};
    }
    return lines;
}

nlohmann::json writeQuantityFiles(StagedOutputs& outputs, const Quantities& quantities,
                                  const Provenance& provenance, bool resection) {
    nlohmann::json document = territoriesJson(quantities, provenance, resection);
    // A path that is not UTF-8 (a Latin-1 folder name) is written with U+FFFD for its bad
    // bytes, as the report does, instead of failing the whole run at its last step.
    outputs.file("territories.json", [&](const std::string& path) {
        writeText(path, [&](std::ostream& out) {
            out << document.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        });
    });
    outputs.file("territories.csv", [&](const std::string& path) {
        writeText(path, [&](std::ostream& out) { writeTerritoriesCsv(out, quantities); });
    });
    return document;
}

}  // namespace

void writeLabelFiles(StagedOutputs& outputs, const Volume& labels, LabelRule rule) {
    const std::string base = "labels-" + nameOf(rule);
    const std::vector<LabelEntry> entries = labelsOf(labels, rule);
    outputs.volume(base, labels);
    outputs.file(base + ".ctbl", [&](const std::string& path) {
        writeText(path, [&](std::ostream& out) { writeColourTable(out, entries); });
    });
    outputs.file(base + ".label.txt", [&](const std::string& path) {
        writeText(path, [&](std::ostream& out) { writeLabelDescriptions(out, entries); });
    });
    outputs.file(base + ".seg.nrrd",
                 [&](const std::string& path) { writeSegmentation(path, labels, entries); });
}

Quantities writeTerritoryOutputs(StagedOutputs& outputs, const std::vector<ArVesselTree>& trees,
                                 const Territories& territories,
                                 const std::vector<RelabelledVolume>& relabelled,
                                 Provenance provenance, bool resection, const Volume& previewLabels,
                                 bool withTrees) {
    const Volume& vesselIds = territories.vesselIds;
    const Quantities quantities = measure(trees, vesselIds.geometry, territories.voxelsPerId);
    if (quantities.unassignedVoxels > 0) {
        provenance.warnings.push_back(std::to_string(quantities.unassignedVoxels) +
                                      " tissue voxels belong to vessel ids that no tree holds");
    }
    // tree.vtp is written once, with the planning arrays: beside the trees, or on its own.
    const std::vector<Polyline> lines = planningLines(trees, vesselIds.geometry, quantities);
    if (withTrees) outputs.forest(trees, &provenance.grid, &lines);
    outputs.volume("vessel-ids", vesselIds);
    outputs.volume("distances", territories.distances);
    for (const RelabelledVolume& volume : relabelled) {
        writeLabelFiles(outputs, *volume.labels, volume.rule);
    }
    nlohmann::json document = writeQuantityFiles(outputs, quantities, provenance, resection);
    if (!withTrees) {
        outputs.file("tree.vtp", [&](const std::string& path) { writeVtpFile(path, lines); });
    }
    std::vector<std::uint8_t> png =
        outputs.preview(provenance.grid, &previewLabels, nullptr, trees);
    outputs.report(reportContent(std::move(document), trees, vesselIds, std::move(png)));
    return quantities;
}

nlohmann::json optionsJson(const Arguments& args) {
    nlohmann::json options = nlohmann::json::object();
    for (const auto& [name, value] : args.given()) {
        char* end = nullptr;
        const long long integer = std::strtoll(value.c_str(), &end, 10);
        if (!value.empty() && end == value.c_str() + value.size()) {
            options[name] = integer;
            continue;
        }
        const double number = std::strtod(value.c_str(), &end);
        if (value.empty()) {
            options[name] = true;
        } else if (end == value.c_str() + value.size() && std::isfinite(number)) {
            options[name] = number;
        } else {
            options[name] = value;
        }
    }
    return options;
}

}  // namespace angiolith::tool::planning
