#include "ExtractionTestUtil.h"
#include "phantom/VesselPhantom.h"
#include "support/Descriptors.h"

#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace angiolith::phantom;
using extraction_test::summarize;
using extraction_test::VesselSummary;

namespace {

// A phantom thinned by the Selle skeletonizer and extracted twice from the same skeleton: once
// with the skeletal voxel list, once (from a copy of the thinned volume) with the distance
// field. Positions of the trees are physical; `voxel` converts them back.
struct PhantomRun {
    Phantom phantom;
    std::vector<VesselSummary> byList;
    std::vector<VesselSummary> byField;
};

PhantomRun extractPhantom(const PhantomOptions& options) {
    PhantomRun run{makePhantom(options), {}, {}};
    angiolith::test::PicPtr pic(run.phantom.takeVessels()), copy, field;
    SelleSkeletonizer thinning(pic.get(), true, false);
    field.reset(thinning.getDistanceFieldPic());
    thinning.setVolumeVoxelSizeX(options.spacingX);
    thinning.setVolumeVoxelSizeY(options.spacingY);
    thinning.setVolumeVoxelSizeZ(options.spacingZ);
    testing::internal::CaptureStdout();
    thinning.skeletonize();
    testing::internal::GetCapturedStdout();
    copy.reset(lumoTeskClone(pic.get()));
    VolumeAccessor<unsigned char> copyVolume(copy.get(), 0, false);
    copyVolume.setVoxelSizeX(options.spacingX);
    copyVolume.setVoxelSizeY(options.spacingY);
    copyVolume.setVoxelSizeZ(options.spacingZ);

    Point3D start(run.phantom.rootVoxel.x, run.phantom.rootVoxel.y, run.phantom.rootVoxel.z);
    BreadthFirstTreeExtractor extractor;
    ArVesselTree list =
        extractor.getTree(thinning.getVolume(), thinning.getSkeletalVoxels(), &start);
    ArVesselTree byField = extractor.getTreeDF(&copyVolume, thinning.getDistanceField(), &start);
    run.byList = summarize(list);
    run.byField = summarize(byField);
    return run;
}

struct Voxel {
    float x, y, z;
};

Voxel voxelOf(const std::array<float, 3>& p, const PhantomOptions& o) {
    return Voxel{p[0] / o.spacingX, p[1] / o.spacingY, p[2] / o.spacingZ};
}

// Physical distance in fine voxels (units of the smallest spacing), as the phantom measures.
float fineDistance(const Voxel& a, const Voxel& b, const PhantomOptions& o) {
    const float unit = std::min(o.spacingX, std::min(o.spacingY, o.spacingZ));
    const float dx = (a.x - b.x) * o.spacingX, dy = (a.y - b.y) * o.spacingY,
                dz = (a.z - b.z) * o.spacingZ;
    return std::sqrt(dx * dx + dy * dy + dz * dz) / unit;
}

// Distance (fine voxels) from @p q to the nearest end of a true vessel (a tip or a bifurcation)
// less twice that end's radius: negative inside the zone where the mask's caps and junctions
// bend the skeleton and its distances.
float clearanceFromVesselEnds(const Phantom& p, const Voxel& q) {
    float clearance = 1e9f;
    for (const auto& vessel : p.truth) {
        for (const auto* end : {&vessel.centreLine.front(), &vessel.centreLine.back()}) {
            const float d = fineDistance(q, Voxel{end->x, end->y, end->z}, p.options);
            clearance = std::min(clearance, d - 2.0f * end->radius);
        }
    }
    return clearance;
}

// Checks the extracted trees against the phantom's true vessels. Diameters are compared on
// samples whose true radius is at least @p diameterRadius and which lie clear of vessel ends.
void expectMatchesTruth(const PhantomRun& run, const std::string& what, float diameterRadius) {
    const Phantom& p = run.phantom;
    const PhantomOptions& o = p.options;
    const std::vector<VesselSummary>& tree = run.byList;
    ASSERT_GT(tree.size(), 1u) << what;

    // A tree-shaped phantom without bumps: no vessel closes a cycle.
    for (const VesselSummary& v : tree) EXPECT_EQ(v.cyclicId, -1) << what << " vessel " << v.id;

    // Every centre-line sample lies within the local radius (plus a voxel) of a true centre
    // line; on thick vessels the diameter is within 25 % of the true one.
    const float unit = std::min(o.spacingX, std::min(o.spacingY, o.spacingZ));
    int diametersCompared = 0;
    for (const VesselSummary& v : tree) {
        for (std::size_t i = 0; i < v.positions.size(); ++i) {
            const Voxel q = voxelOf(v.positions[i], o);
            const auto nearest = p.nearestSample(q.x, q.y, q.z);
            ASSERT_NE(nearest.sample, nullptr);
            EXPECT_LE(nearest.distance, nearest.sample->radius + 1.0f)
                << what << " vessel " << v.id << " sample " << i;
            if (nearest.sample->radius >= diameterRadius && clearanceFromVesselEnds(p, q) >= 0.0f) {
                ++diametersCompared;
                const float truth = 2.0f * nearest.sample->radius * unit;
                EXPECT_NEAR(v.diameters[i], truth, 0.25f * truth)
                    << what << " vessel " << v.id << " sample " << i;
            }
        }
    }

    if (diameterRadius < 1e9f) {
        EXPECT_GT(diametersCompared, 0) << what;
    }

    // Every true bifurcation of vessels of radius 1.5 or more has an extracted junction (the
    // first sample of a child vessel) within twice the parent's radius.
    int bifurcations = 0;
    for (const auto& parent : p.truth) {
        if (parent.children.size() < 2) continue;
        const auto& fork = parent.centreLine.back();
        bool thick = fork.radius >= 1.5f;
        for (int c : parent.children) thick = thick && p.truth[c].centreLine.front().radius >= 1.5f;
        if (!thick) continue;
        ++bifurcations;
        float best = 1e9f;
        for (const VesselSummary& v : tree) {
            if (v.parentId == -1) continue;
            best = std::min(best, fineDistance(voxelOf(v.positions.front(), o),
                                               Voxel{fork.x, fork.y, fork.z}, o));
        }
        EXPECT_LE(best, 2.0f * fork.radius)
            << what << " bifurcation at " << fork.x << "," << fork.y << "," << fork.z;
    }

    EXPECT_GT(bifurcations, 0) << what;

    // Both distance sources give a tree of the same shape on the same skeleton.
    ASSERT_EQ(run.byField.size(), tree.size()) << what;
    for (std::size_t k = 0; k < tree.size(); ++k) {
        EXPECT_EQ(run.byField[k].id, tree[k].id) << what;
        EXPECT_EQ(run.byField[k].parentId, tree[k].parentId) << what;
        EXPECT_EQ(run.byField[k].positions, tree[k].positions) << what << " vessel " << k;
    }
}

}  // namespace

// Small phantoms (64^3, root radius 3.5) whose vessels keep apart, so that the mask is a tree.
// (Seed 2 of this size has two vessels touching near (29, 28, 50); its tree rightly holds a
// cyclic pair there.)
TEST(BreadthFirstTreeExtractorPhantom, TreeFollowsTheTrueVessels) {
    for (unsigned seed : {1u, 3u}) {
        PhantomOptions o = PhantomOptions::small();
        o.seed = seed;
        o.tissue = false;
        expectMatchesTruth(extractPhantom(o), "seed " + std::to_string(seed), 1e9f);
    }
}

// Diameters on vessels of radius 5 and more (a 96^3 phantom with root radius 6). Thinner vessels
// come out about a voxel short, so 25 % is out of reach below radius 5 even for the median along
// a vessel (measured on 96^3 phantoms, seeds 1 and 3, root radii 3.5, 4.5 and 6: per vessel of
// radius 3 to 6, the median of diameter / true diameter away from ends and forks lies between
// 0.70 and 1.0, and below 0.75 for two of the 14 vessels, of radii 3.3 and 5). A mask that holds
// every voxel whose centre lies within r of the centre line has its largest distance to a
// background voxel at about r, not r + s/2, because the nearest of the many background voxels lies
// just beyond r; so 2 (d - s/2) loses about one voxel on a centred skeleton voxel. Skeleton voxels
// then lie 0.15 to 0.45 voxel (in distance) below the best voxel of their 3x3x3 neighbourhood,
// while the propagated distance d is at or up to half a voxel above the mask's exact distance,
// which partly makes up on thick vessels.
TEST(BreadthFirstTreeExtractorPhantom, DiametersOfThickVessels) {
    PhantomOptions o = PhantomOptions::small();
    o.sizeX = o.sizeY = o.sizeZ = 96;
    o.rootRadius = 6.0f;
    o.tissue = false;
    expectMatchesTruth(extractPhantom(o), "96^3 root radius 6", 5.0f);
}

TEST(BreadthFirstTreeExtractorPhantom, AnisotropicSpacing) {
    PhantomOptions o = PhantomOptions::small();
    o.sizeZ = 40;
    o.spacingZ = 1.5f;
    o.tissue = false;
    expectMatchesTruth(extractPhantom(o), "spacing 1/1/1.5", 1e9f);
}
