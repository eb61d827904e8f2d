#include "cli/StageRunners.h"

#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <algorithm>
#include <vector>

namespace angiolith::tool {

namespace {

std::string count(unsigned long long n, const std::string& what) {
    return std::to_string(n) + " " + what;
}

}  // namespace

Volume readMask(const std::string& path, const std::string& role, unsigned long long& voxels) {
    Volume mask = readImage(path, role);
    voxels = countNonZero(*mask.pic);
    if (voxels == 0) {
        throw UserError("the " + role + " '" + path +
                        "' has no non-zero voxel; check that you exported the right segment");
    }
    return mask;
}

void requireSameGrid(const Volume& a, const std::string& aPath, const Volume& b,
                     const std::string& bPath, const std::string& bRole) {
    const std::string difference = geometryDifference(a.geometry, b.geometry);
    if (!difference.empty()) {
        throw UserError("the " + bRole + " '" + bPath + "' and '" + aPath + "' differ in " +
                        difference + "; resample the " + bRole + " onto the grid of '" + aPath +
                        "'");
    }
}

Skeleton runThinning(Progress& progress, const Volume& mask, unsigned long long maskVoxels,
                     const ThinningOptions& options) {
    progress.start("skeletonize", count(maskVoxels, "vessel voxels"));
    Skeleton skeleton = thin(mask, options);
    progress.done("skeletonize", count(skeleton.points().size(), "skeleton voxels"));
    return skeleton;
}

ArVesselTree runExtraction(Progress& progress, const Volume& skeleton, const std::string& source,
                           std::list<DistancePoint3D*>& points,
                           const std::optional<std::array<long, 3>>& start) {
    const std::string obstacle = extractionObstacle(skeleton, start.has_value());
    if (!obstacle.empty()) {
        throw UserError("no vessel tree can be extracted from the skeleton of " + source + ": " +
                        obstacle + "; check that the mask holds the vessels");
    }
    progress.start("extract", count(points.size(), "skeleton voxels"));
    ArVesselTree tree;
    try {
        tree = extractTree(skeleton, points, start);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("the vessel tree of " + source +
                                 " could not be extracted: " + error.what());
    }
    const TreeStats stats = statsOf(tree);
    progress.done("extract", count(stats.vessels, "vessels") + ", " +
                                 count(stats.samples, "centre-line samples"));
    return tree;
}

void runCleaning(Progress& progress, ArVesselTree& tree, float relevance, bool preserveCycles) {
    progress.start("clean", count(statsOf(tree).vessels, "vessels"));
    cleanTree(tree, relevance, preserveCycles);
    progress.done("clean", count(statsOf(tree).vessels, "vessels"));
}

Territories runTerritories(Progress& progress, const ArVesselTree& tree, const Volume& tissue,
                           unsigned long long tissueVoxels) {
    progress.start("territories", count(tissueVoxels, "tissue voxels"));
    Territories territories = computeTerritories(tree, tissue);
    // Which of the 65536 ids occur: a flag per id, as the volume has tens of millions of voxels.
    std::vector<unsigned char> present(65536, 0);
    const auto* values = static_cast<const std::uint16_t*>(territories.vesselIds.pic->data);
    for (unsigned long long i = 0; i < tissue.geometry.voxelCount(); ++i) present[values[i]] = 1;
    present[0] = 0;
    const auto supplying =
        static_cast<unsigned long long>(std::count(present.begin(), present.end(), 1));
    progress.done("territories", count(supplying, "vessels supply tissue"));
    return territories;
}

Volume runRelabel(Progress& progress, const Volume& vesselIds, const ArVesselTree& tree,
                  LabelRule rule) {
    progress.start("relabel", "by " + nameOf(rule));
    Volume labels = relabel(vesselIds, tree, rule);
    progress.done("relabel", "largest label " + std::to_string(maxValue16(labels)));
    return labels;
}

}  // namespace angiolith::tool
