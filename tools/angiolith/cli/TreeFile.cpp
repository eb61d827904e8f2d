#include "cli/TreeFile.h"

#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/detail/TreeText.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace angiolith::tool {

namespace {

using angiolith::detail::kTreeTextMagic;
namespace fs = std::filesystem;

// The centre lines with each position mapped by @p map.
template <typename Map>
std::vector<Polyline> linesOf(const Forest& forest, Map&& map) {
    std::vector<Polyline> lines;
    for (std::size_t t = 0; t < forest.size(); ++t) {
        forEachVessel(forest[t], [&](Vessel& vessel) {
            Polyline line;
            line.vesselId = vessel.getId();
            line.cellData = {{"treeId", static_cast<double>(t + 1)}};
            for (auto e = vessel.elementsBegin(); e != vessel.elementsEnd(); ++e) {
                line.points.push_back(map(Vec3{e->position.x, e->position.y, e->position.z}));
                line.radii.push_back(0.5 * e->diameter);
            }
            lines.push_back(std::move(line));
        });
    }
    return lines;
}

}  // namespace

TreeStats statsOf(const ArVesselTree& tree) {
    TreeStats stats;
    forEachVessel(tree, [&](Vessel& vessel) {
        const int id = vessel.getId();
        stats.minId = stats.vessels == 0 ? id : std::min(stats.minId, id);
        stats.maxId = stats.vessels == 0 ? id : std::max(stats.maxId, id);
        ++stats.vessels;
        stats.samples += vessel.getSize();
    });
    return stats;
}

void writeTreeFile(const std::string& path, ArVesselTree& tree) {
    std::ofstream out(path);
    out << std::setprecision(9);
    if (out) out << tree;
    out.close();
    if (!out) throw std::runtime_error("cannot write '" + path + "'");
}

ArVesselTree readTreeFile(const std::string& path) {
    requireReadableFile(path, "vessel tree");
    std::ifstream in(path);
    std::string magic;
    std::getline(in, magic);
    if (!magic.empty() && magic.back() == '\r') magic.pop_back();
    if (magic != kTreeTextMagic) {
        throw UserError("'" + path + "' is not a vessel tree file (its first line is not '" +
                        kTreeTextMagic +
                        "'); give the folder or a tree file that 'angiolith extract' wrote");
    }
    in.seekg(0);
    ArVesselTree tree;
    in >> tree;
    if (in.fail() || !tree || tree->size() == 0) {
        throw UserError("the vessel tree file '" + path +
                        "' is damaged (it ends early or holds no vessel); extract the tree "
                        "again or restore the file");
    }
    return tree;
}

void requireVolumeIds(const ArVesselTree& tree, const std::string& path) {
    const TreeStats stats = statsOf(tree);
    if (stats.minId < 1 || stats.maxId > 65535) {
        throw UserError("the vessel tree '" + path + "' has vessel ids from " +
                        std::to_string(stats.minId) + " to " + std::to_string(stats.maxId) +
                        ", but a vessel-ID volume holds ids 1 to 65535 only; number the "
                        "vessels from 1");
    }
    if (stats.samples == 0) {
        throw UserError("the vessel tree '" + path +
                        "' has no centre-line sample, so no tissue can be assigned; extract "
                        "the tree again");
    }
}

void requireTreeOnGrid(const ArVesselTree& tree, const std::string& treePath,
                       const Geometry& geometry, const std::string& what) {
    forEachVessel(tree, [&](Vessel& vessel) {
        for (auto e = vessel.elementsBegin(); e != vessel.elementsEnd(); ++e) {
            const Vec3 p{e->position.x, e->position.y, e->position.z};
            for (int i = 0; i < 3; ++i) {
                const double index = p[i] / geometry.spacing[i];
                // Half a voxel of slack: positions are voxel centres, rounded on output.
                if (!(index >= -0.5 && index <= geometry.size[i] - 0.5)) {
                    throw UserError("the vessel tree '" + treePath +
                                    "' does not lie on the grid of " + what + " (a sample at " +
                                    tripleText(p) + " mm lies outside " + sizeText(geometry.size) +
                                    " voxels); use images with the grid of the vessel mask "
                                    "the tree was extracted from");
                }
            }
        }
    });
}

std::vector<Polyline> worldLines(const Forest& forest, const Geometry& geometry) {
    return linesOf(forest, [&](const Vec3& p) { return geometry.scaledIndexToWorld(p); });
}

std::vector<Polyline> worldLines(const ArVesselTree& tree, const Geometry& geometry) {
    return worldLines(Forest{tree}, geometry);
}

std::vector<Polyline> indexLines(const Forest& forest, const Geometry& geometry) {
    return linesOf(forest, [&](const Vec3& p) {
        return Vec3{p[0] / geometry.spacing[0], p[1] / geometry.spacing[1],
                    p[2] / geometry.spacing[2]};
    });
}

TreeStats statsOf(const Forest& forest) {
    TreeStats total;
    for (const ArVesselTree& tree : forest) {
        const TreeStats stats = statsOf(tree);
        if (stats.vessels == 0) continue;
        total.minId = total.vessels == 0 ? stats.minId : std::min(total.minId, stats.minId);
        total.maxId = total.vessels == 0 ? stats.maxId : std::max(total.maxId, stats.maxId);
        total.vessels += stats.vessels;
        total.samples += stats.samples;
    }
    return total;
}

std::string treeFileName(std::size_t number) { return "tree-" + std::to_string(number) + ".txt"; }

std::size_t treeNumberOf(const std::string& name) {
    static const std::regex pattern("tree-([1-9][0-9]{0,8})\\.txt");
    std::smatch match;
    if (!std::regex_match(name, match, pattern)) return 0;
    return static_cast<std::size_t>(std::stoul(match[1].str()));
}

std::string forestFolder(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) return path;
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

Forest readForest(const std::string& path) {
    std::error_code error;
    if (!fs::is_directory(path, error)) return {readTreeFile(path)};
    std::vector<std::size_t> numbers;
    for (const auto& entry : fs::directory_iterator(path, error)) {
        const std::size_t number = treeNumberOf(entry.path().filename().string());
        if (number > 0) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    if (numbers.empty()) {
        throw UserError("the folder '" + path +
                        "' holds no tree file (tree-1.txt, ...); give the folder 'angiolith "
                        "extract' wrote into");
    }
    Forest forest;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (numbers[k] != k + 1) {
            throw UserError("the trees in '" + path + "' are incomplete: " + treeFileName(k + 1) +
                            " is missing; extract the trees again");
        }
        forest.push_back(readTreeFile((fs::path(path) / treeFileName(k + 1)).string()));
    }
    std::set<int> ids;
    for (std::size_t t = 0; t < forest.size(); ++t) {
        forEachVessel(forest[t], [&](Vessel& vessel) {
            if (!ids.insert(vessel.getId()).second) {
                throw UserError("vessel id " + std::to_string(vessel.getId()) +
                                " appears twice in the trees of '" + path +
                                "' (the second time in " + treeFileName(t + 1) +
                                "); give every vessel its own id");
            }
        });
    }
    return forest;
}

void requireVolumeIds(const Forest& forest, const std::string& path) {
    for (const ArVesselTree& tree : forest) requireVolumeIds(tree, path);
}

void requireTreeOnGrid(const Forest& forest, const std::string& path, const Geometry& geometry,
                       const std::string& what) {
    for (const ArVesselTree& tree : forest) requireTreeOnGrid(tree, path, geometry, what);
}

}  // namespace angiolith::tool
