#include "cli/TreeFile.h"

#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/detail/TreeText.h>

#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>

namespace angiolith::tool {

namespace {

using angiolith::detail::kTreeTextMagic;

// Calls @p visit with every vessel of @p tree in preorder.
template <typename F>
void forEachVessel(const ArVesselTree& tree, F&& visit) {
    ar<TreeIterator<ar<Vessel>>> it = tree->preorderIterator();
    while (it->hasNext()) {
        ar<Vessel> vessel = it->next();
        visit(*vessel);
    }
}

// The centre lines with each position mapped by @p map.
template <typename Map>
std::vector<Polyline> linesOf(const ArVesselTree& tree, Map&& map) {
    std::vector<Polyline> lines;
    forEachVessel(tree, [&](Vessel& vessel) {
        Polyline line;
        line.vesselId = vessel.getId();
        for (auto e = vessel.elementsBegin(); e != vessel.elementsEnd(); ++e) {
            line.points.push_back(map(Vec3{e->position.x, e->position.y, e->position.z}));
            line.radii.push_back(0.5 * e->diameter);
        }
        lines.push_back(std::move(line));
    });
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
                        kTreeTextMagic + "'); give the tree.txt that 'angiolith extract' wrote");
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

std::vector<Polyline> worldLines(const ArVesselTree& tree, const Geometry& geometry) {
    return linesOf(tree, [&](const Vec3& p) { return geometry.scaledIndexToWorld(p); });
}

std::vector<Polyline> indexLines(const ArVesselTree& tree, const Geometry& geometry) {
    return linesOf(tree, [&](const Vec3& p) {
        return Vec3{p[0] / geometry.spacing[0], p[1] / geometry.spacing[1],
                    p[2] / geometry.spacing[2]};
    });
}

}  // namespace angiolith::tool
