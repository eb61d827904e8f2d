// The Selle thinning against independent invariants (topology, distance layers, phantom centre
// lines) and its internals; then the cleaning variant's post-cleaning passes.
#include "phantom/VesselPhantom.h"
#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <tuple>
#include <vector>

namespace {

using namespace angiolith::phantom;
using skeletontest::box;
using skeletontest::Volume;

using skeletontest::Voxel;
using Result = skeletontest::ThinResult;

// The thinning with a check after every pass: the border map holds exactly the voxels marked as
// border (value 1), each under its own coordinates and with a point of its own. The map is
// carried from pass to pass in place: deleted voxels leave it, the advancing front enters it
// (partly in the deleted voxels' entries), and the rest stays.
int borderChecks = 0;  // passes checked so far

class BorderChecked : public SelleSkeletonizer {
public:
    using SelleSkeletonizer::SelleSkeletonizer;

protected:
    void computeNewBorder() override {
        SelleSkeletonizer::computeNewBorder();
        ++borderChecks;
        std::set<std::tuple<int, int, int>> marked, mapped;
        for (short z = 0; z < static_cast<short>(volume->getSizeZ()); ++z)
            for (short y = 0; y < static_cast<short>(volume->getSizeY()); ++y)
                for (short x = 0; x < static_cast<short>(volume->getSizeX()); ++x)
                    if (volume->getVoxel(x, y, z) == 1) marked.emplace(x, y, z);
        std::set<const DistancePoint3D*> points;
        for (const auto& [key, p] : *borderVoxels) {
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(key.packed(),
                      angiolith::detail::packVoxelKey(p->getX(), p->getY(), p->getZ()));
            EXPECT_TRUE(points.insert(p).second) << "a point held twice";
            mapped.emplace(p->getX(), p->getY(), p->getZ());
        }
        EXPECT_EQ(mapped, marked) << "pass " << iteration;
        EXPECT_EQ(previousBorderVoxels, nullptr);
    }
};

Result thin(const Volume& vol, bool mostNeighboursFirst = true,
            const std::array<float, 3>& spacing = {1, 1, 1}) {
    return skeletontest::runThinning<BorderChecked>(vol, spacing, mostNeighboursFirst, false);
}

Volume objectOf(const Volume& thinned) {
    Volume o = thinned;
    for (auto& v : o.v) v = v != 0;
    return o;
}

// The invariants every thinning must keep, checked independently of the implementation.
void expectTopologyKept(const Volume& before, const Result& r, const std::string& what) {
    const Volume after = objectOf(r.thinned);
    for (std::size_t i = 0; i < after.v.size(); ++i) {
        ASSERT_TRUE(!after.v[i] || before.v[i]) << what << ": object grew";
    }
    for (const auto& [x, y, z] : r.skeleton) {
        EXPECT_TRUE(before.at(x, y, z)) << what << ": skeletal voxel outside the object";
        EXPECT_TRUE(after.at(x, y, z)) << what << ": skeletal voxel deleted";
    }
    std::vector<int> labelsBefore, labelsAfter;
    const int componentsBefore = skeletontest::components26(before, &labelsBefore);
    const int componentsAfter = skeletontest::components26(after, &labelsAfter);
    EXPECT_EQ(componentsAfter, componentsBefore) << what << ": components lost or split";
    std::set<int> hit;
    for (std::size_t i = 0; i < after.v.size(); ++i)
        if (after.v[i]) hit.insert(labelsBefore[i]);
    EXPECT_EQ(static_cast<int>(hit.size()), componentsBefore) << what << ": a component vanished";
    EXPECT_EQ(skeletontest::eulerCharacteristic(after), skeletontest::eulerCharacteristic(before))
        << what << ": Euler characteristic changed";
}

// Exposes the passes of the thinning.
class Probe : private skeletontest::OwnedPics, public SelleSkeletonizer {
public:
    explicit Probe(const Volume& vol)
        : OwnedPics(vol), SelleSkeletonizer(volumePic.get(), true, false) {
        fieldPic.reset(getDistanceFieldPic());
    }
    int passes = 0;
    void divide() { SelleSkeletonizer::divideNewBorder(); }
    DistancePoint3D* next(short x, short y, short z) { return getNextDistancePoint3D(x, y, z); }
    using SelleSkeletonizer::borderVoxels;
    using SelleSkeletonizer::currentBorder;
    using SelleSkeletonizer::init;
    using SelleSkeletonizer::iteration;
    using SelleSkeletonizer::minVoxelSize;
    using SelleSkeletonizer::previousBorderVoxels;
    using SelleSkeletonizer::remainingBorder;

protected:
    void divideNewBorder() override {
        ++passes;
        SelleSkeletonizer::divideNewBorder();
    }
};

bool contains(const std::list<DistancePoint3D*>& list, short x, short y, short z) {
    for (DistancePoint3D* p : list)
        if (p->getX() == x && p->getY() == y && p->getZ() == z) return true;
    return false;
}

// Exposes postClean on a volume whose voxels are all marked 1, as after a pass.
class Cleaner : public skeletontest::OwnedPics, public CleaningSelleSkeletonizer {
public:
    explicit Cleaner(const Volume& vol)
        : OwnedPics(vol), CleaningSelleSkeletonizer(volumePic.get(), true, 1, true) {}
    using CleaningSelleSkeletonizer::postClean;
};

struct CleanResult {
    std::vector<Voxel> kept;
    Volume after;
    std::string output;
};

CleanResult clean(const Volume& vol, const std::vector<Voxel>& order) {
    CleanResult r;
    Cleaner c(vol);
    std::vector<DistancePoint3D> points;
    points.reserve(order.size());
    std::list<DistancePoint3D*> list;
    for (const auto& [x, y, z] : order) {
        points.emplace_back(static_cast<short>(x), static_cast<short>(y), static_cast<short>(z),
                            1.0f, 0.0f, 0.0f);
        list.push_back(&points.back());
    }
    testing::internal::CaptureStdout();
    c.postClean(&list);
    r.output = testing::internal::GetCapturedStdout();
    for (DistancePoint3D* p : list) r.kept.emplace_back(p->getX(), p->getY(), p->getZ());
    r.after = skeletontest::fromDescriptor(c.volumePic.get());
    return r;
}

}  // namespace

// Lines, including a single voxel, are thin already: nothing is deleted and every voxel is
// skeletal.
TEST(SelleSkeletonizer, ThinLinesSurviveWhole) {
    Volume single = box(1, 1, 1);
    Volume straight(12, 3, 3);
    for (int x = 0; x < 12; ++x) straight.set(x, 1, 1);  // touching the volume's faces too
    Volume diagonal(10, 10, 10);
    for (int i = 1; i < 9; ++i) diagonal.set(i, i, 9 - i);
    Volume bent(10, 10, 4);  // a 26-connected staircase with a corner
    for (int i = 1; i < 6; ++i) bent.set(i, 1, 2);
    for (int i = 1; i < 5; ++i) bent.set(5 + i, 1 + i, 2 - (i % 2));
    for (const Volume* vol : {&single, &straight, &diagonal, &bent}) {
        for (bool mostFirst : {true, false}) {
            const Result r = thin(*vol, mostFirst);
            EXPECT_EQ(objectOf(r.thinned).v, vol->v);
            EXPECT_EQ(static_cast<long>(r.skeleton.size()), vol->count());
        }
    }
}

// On an isotropic box the propagated distance of a voxel is its face-layer number: one more
// than its distance (in voxels) to the nearest face of the box. The 3-cube fills its volume:
// 26 border voxels of distance 1, the centre reached after pass 1 with distance 2.
TEST(SelleSkeletonizer, DistanceFieldOfSolidBoxes) {
    const std::array<std::array<int, 4>, 5> boxes = {
        {{3, 3, 3, 0}, {5, 5, 5, 1}, {4, 6, 9, 1}, {3, 3, 10, 1}, {7, 5, 6, 1}}};
    for (const auto& [sx, sy, sz, margin] : boxes) {
        const Volume vol = box(sx, sy, sz, margin);
        for (bool mostFirst : {true, false}) {
            const Result r = thin(vol, mostFirst);
            for (int z = 0; z < vol.nz; ++z)
                for (int y = 0; y < vol.ny; ++y)
                    for (int x = 0; x < vol.nx; ++x) {
                        const int bx = x - margin, by = y - margin, bz = z - margin;
                        const float expected =
                            vol.at(x, y, z)
                                ? static_cast<float>(
                                      std::min({bx + 1, sx - bx, by + 1, sy - by, bz + 1, sz - bz}))
                                : 0.0f;
                        EXPECT_EQ(r.field[(z * vol.ny + y) * vol.nx + x], expected)
                            << sx << "x" << sy << "x" << sz << " at " << x << "," << y << "," << z;
                    }
            EXPECT_FALSE(r.skeleton.empty());
            expectTopologyKept(vol, r, "box");
            for (std::size_t i = 0; i < r.skeleton.size(); ++i) {
                const auto& [x, y, z] = r.skeleton[i];
                EXPECT_EQ(r.field[(z * vol.ny + y) * vol.nx + x], r.skeletonDistances[i]);
            }
        }
    }
}

// Blobs touching the grid's faces, also at anisotropic spacing (which keeps points in the
// remaining border); the border map is checked after every pass (of every thinning here).
TEST(SelleSkeletonizer, TopologyOfRandomBlobs) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const Volume vol = skeletontest::randomBlob(20, seed, 5);
        for (bool mostFirst : {true, false}) {
            const int checks = borderChecks;
            const Result r = thin(vol, mostFirst);
            EXPECT_GE(borderChecks - checks, 2);
            expectTopologyKept(vol, r, "blob seed " + std::to_string(seed));
            // Already thin: a second thinning of the result deletes nothing.
            const Volume once = objectOf(r.thinned);
            EXPECT_EQ(objectOf(thin(once, mostFirst).thinned).v, once.v) << "seed " << seed;
        }
        const Result anisotropic = thin(vol, true, {0.7f, 0.7f, 1.5f});
        expectTopologyKept(vol, anisotropic, "anisotropic blob seed " + std::to_string(seed));
    }
}

TEST(SelleSkeletonizer, PhantomSkeletonFollowsTheCentreLines) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        PhantomOptions o = PhantomOptions::tiny();
        o.sizeX = o.sizeY = o.sizeZ = 40;
        o.seed = seed;
        o.tissue = false;
        const Phantom p = makePhantom(o);
        const Volume vol = skeletontest::fromDescriptor(p.vessels);
        const Result r = thin(vol);
        expectTopologyKept(vol, r, "phantom seed " + std::to_string(seed));
        ASSERT_FALSE(r.skeleton.empty());
        for (const auto& [x, y, z] : r.skeleton) {
            const auto nearest = p.nearestSample(static_cast<float>(x), static_cast<float>(y),
                                                 static_cast<float>(z));
            ASSERT_NE(nearest.sample, nullptr);
            EXPECT_LE(nearest.distance, nearest.sample->radius + 1.0f)
                << "seed " << seed << " voxel " << x << "," << y << "," << z;
        }
    }
}

TEST(SelleSkeletonizer, PassesAndThresholds) {
    {
        // A single voxel: two passes that delete nothing, then the run ends.
        Probe probe(box(1, 1, 1));
        probe.skeletonize();
        EXPECT_EQ(probe.passes, 2);
        EXPECT_EQ(probe.iteration, 3u);
        // A second call does nothing.
        std::list<DistancePoint3D*>* skeleton = probe.getSkeletalVoxels();
        probe.skeletonize();
        EXPECT_EQ(probe.passes, 2);
        EXPECT_EQ(probe.getSkeletalVoxels(), skeleton);
    }
    {
        // Spacing (1, 1, 3): a voxel touching the background only in z starts at distance 3
        // and waits in the remaining border until pass 3, whose threshold 3 * 1 it equals.
        Probe probe(box(5, 5, 1));
        probe.setVolumeVoxelSizeZ(3.0f);
        EXPECT_EQ(probe.minVoxelSize, 1.0f);
        EXPECT_EQ(probe.getDistanceField()->getVoxelSizeZ(), 1.0f);  // Selle setters: volume only
        probe.init();
        DistancePoint3D* inner = probe.borderVoxels->getDistancePoint3D(3, 3, 1);
        DistancePoint3D* rim = probe.borderVoxels->getDistancePoint3D(1, 3, 1);
        ASSERT_NE(inner, nullptr);
        ASSERT_NE(rim, nullptr);
        EXPECT_EQ(inner->getDistanceZ(), 3.0f);
        EXPECT_EQ(inner->getDistance(), 3.0f);
        EXPECT_EQ(rim->getDistance(), 1.0f);
        for (unsigned pass = 1; pass <= 3; ++pass) {
            probe.iteration = pass;
            probe.divide();
            EXPECT_EQ(contains(probe.currentBorder, 3, 3, 1), pass == 3) << "pass " << pass;
            EXPECT_EQ(contains(probe.remainingBorder, 3, 3, 1), pass < 3) << "pass " << pass;
            EXPECT_TRUE(contains(probe.currentBorder, 1, 3, 1));
        }
    }
}

TEST(SelleSkeletonizer, DestroyedAtAnyPointOfItsLife) {
    const Volume vol = skeletontest::randomBlob(12, 9, 3);
    for (int stage = 0; stage < 3; ++stage) {
        Probe probe(vol);  // ASan reports any point left behind at its end
        if (stage == 1) probe.init();
        if (stage == 2) probe.skeletonize();
    }
}

// The neighbour giving the shortest inherited vector wins; on a tie the earlier of -x, +x, -y,
// +y, -z, +z. Spacing (1, 2, 1) makes a y step cost 2.
TEST(SelleSkeletonizer, NextDistancePointAndItsTieRule) {
    Probe probe(Volume(4, 4, 4));
    probe.setVolumeVoxelSizeY(2.0f);
    BorderVoxelHashMap map;
    probe.previousBorderVoxels = &map;
    testing::internal::CaptureStdout();
    EXPECT_EQ(probe.next(1, 1, 1), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error in Selle Skeletonizer::getNextNeighbour(...): Point has no neighbours!\n");

    auto* plusX = new DistancePoint3D(2, 1, 1, 1, 0, 0);   // inherits (2, 0, 0): 4
    auto* minusX = new DistancePoint3D(0, 1, 1, 0, 0, 2);  // inherits (1, 0, 2): 5
    auto* plusZ = new DistancePoint3D(1, 1, 2, 2, 0, 0);   // inherits (2, 0, 1): 5
    auto* minusY = new DistancePoint3D(1, 0, 1, 0, 0, 2);  // inherits (0, 2, 2): 8
    for (DistancePoint3D* p : {plusX, minusX, plusZ, minusY}) map.insert(p);
    EXPECT_EQ(probe.next(1, 1, 1), plusX);
    plusX->setDistanceXYZ(0, 0, 2);  // now inherits (1, 0, 2): 5, tied with -x and +z
    EXPECT_EQ(probe.next(1, 1, 1), minusX);
    minusY->setDistanceXYZ(0, 0, 0);  // inherits (0, 2, 0): 4
    EXPECT_EQ(probe.next(1, 1, 1), minusY);
    probe.previousBorderVoxels = nullptr;
    map.deleteAll();
}

TEST(CleaningSelleSkeletonizer, LineFromOneEndShrinksToItsLastVoxel) {
    Volume line(9, 3, 3);
    std::vector<Voxel> order;
    for (int x = 1; x <= 7; ++x) {
        line.set(x, 1, 1);
        order.emplace_back(x, 1, 1);
    }
    const CleanResult r = clean(line, order);
    ASSERT_EQ(r.kept.size(), 1u);
    EXPECT_EQ(r.kept[0], Voxel(7, 1, 1));
    EXPECT_EQ(r.after.count(), 1);
    EXPECT_EQ(r.after.at(7, 1, 1), 1);
    // The last voxel is isolated when it is tested, once in each sweep.
    EXPECT_EQ(r.output, "PostClean: no Startpoints found!\nPostClean: no Startpoints found!\n");
}

TEST(CleaningSelleSkeletonizer, NeighboursJoinedAroundThroughTheWindow) {
    // Neighbours at (-1, 0, 0) and (+1, 0, 0) of the centre (3, 3, 3); with a detour through
    // (-2, 1, 0), (-1, 2, 0), (0, 2, 0), (1, 2, 0), (2, 1, 0) they are joined around it.
    Volume open(7, 7, 7);
    for (int x = 2; x <= 4; ++x) open.set(x, 3, 3);
    const CleanResult kept = clean(open, {{3, 3, 3}});
    EXPECT_EQ(kept.kept.size(), 1u);
    EXPECT_EQ(kept.after.at(3, 3, 3), 1);
    EXPECT_EQ(kept.output, "");

    Volume joined = open;
    for (int x = 2; x <= 4; ++x) joined.set(x, 5, 3);
    joined.set(1, 4, 3);
    joined.set(5, 4, 3);
    const CleanResult removed = clean(joined, {{3, 3, 3}});
    EXPECT_TRUE(removed.kept.empty());
    EXPECT_EQ(removed.after.at(3, 3, 3), 0);
}

// The cleaning removes the spurs the plain thinning keeps: fewer skeletal voxels lie at the
// tips of the phantom's surface bumps.
TEST(CleaningSelleSkeletonizer, RemovesSurfaceSpurs) {
    PhantomOptions o = PhantomOptions::small();
    o.surfaceBumps = true;
    o.tissue = false;
    const Phantom p = makePhantom(o);
    ASSERT_FALSE(p.bumps.empty());
    const Volume vol = skeletontest::fromDescriptor(p.vessels);
    auto nearTips = [&](const Result& r) {
        int n = 0;
        for (const auto& [x, y, z] : r.skeleton)
            for (const auto& b : p.bumps) {
                const float dx = x - b.x, dy = y - b.y, dz = z - b.z;
                if (dx * dx + dy * dy + dz * dz <= 2.25f) ++n;
            }
        return n;
    };
    const int plain =
        nearTips(skeletontest::runThinning<SelleSkeletonizer>(vol, {1, 1, 1}, true, false));
    const int cleaned = nearTips(
        skeletontest::runThinning<CleaningSelleSkeletonizer>(vol, {1, 1, 1}, true, 4u, false));
    EXPECT_GT(plain, 0);
    EXPECT_EQ(cleaned, 0);
}
