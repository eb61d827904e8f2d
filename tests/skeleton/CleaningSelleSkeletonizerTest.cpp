#include "phantom/VesselPhantom.h"
#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace angiolith::phantom;
using skeletontest::Volume;
using skeletontest::Voxel;
using Result = skeletontest::ThinResult;

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
