#include "phantom/VesselPhantom.h"
#include "skeleton/SkeletonTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

using namespace angiolith::phantom;

PhantomOptions smallAnisotropic(unsigned seed) {
    PhantomOptions o = PhantomOptions::small();
    o.seed = seed;
    o.spacingX = o.spacingY = 0.7f;
    o.spacingZ = 1.5f;
    o.sizeZ = 40;
    return o;
}

}  // namespace

// The mask is one 26-connected solid containing every centre-line sample, and radii follow
// Murray's law. Without vessels thinner than two voxels it is tree-shaped: no tunnels or
// cavities (Euler characteristic 1); thinner tubes may leave digitisation tunnels at junctions.
TEST(VesselPhantom, TreeStructureAndMurraysLaw) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        for (const PhantomOptions& o : {PhantomOptions::small(), smallAnisotropic(seed)}) {
            PhantomOptions opt = o;
            opt.seed = seed;
            const Phantom p = makePhantom(opt);
            const skeletontest::Volume vol = skeletontest::fromDescriptor(p.vessels);
            EXPECT_EQ(skeletontest::components26(vol), 1) << "seed " << seed;
            PhantomOptions thick = opt;
            thick.minRadius = 2.0f;
            const Phantom q = makePhantom(thick);
            EXPECT_EQ(skeletontest::eulerCharacteristic(skeletontest::fromDescriptor(q.vessels)), 1)
                << "seed " << seed;
            EXPECT_TRUE(vol.at(p.rootVoxel.x, p.rootVoxel.y, p.rootVoxel.z));
            ASSERT_GT(p.truth.size(), 3u);
            EXPECT_EQ(p.truth[0].parent, -1);
            EXPECT_EQ(p.truth[0].centreLine[0].radius, opt.rootRadius);
            for (std::size_t v = 0; v < p.truth.size(); ++v) {
                const auto& vessel = p.truth[v];
                for (const auto& s : vessel.centreLine) {
                    EXPECT_TRUE(vol.at(static_cast<int>(std::lround(s.x)),
                                       static_cast<int>(std::lround(s.y)),
                                       static_cast<int>(std::lround(s.z))));
                    EXPECT_GE(s.radius, opt.minRadius);
                }
                ASSERT_TRUE(vessel.children.empty() || vessel.children.size() == 2u);
                if (vessel.children.empty()) continue;
                const float r = vessel.centreLine.back().radius;
                float sum = 0;
                for (int c : vessel.children) {
                    EXPECT_EQ(p.truth[c].parent, static_cast<int>(v));
                    const auto& first = p.truth[c].centreLine.front();
                    EXPECT_EQ(first.x, vessel.centreLine.back().x);
                    sum += std::pow(first.radius, 3.0f);
                }
                EXPECT_NEAR(sum, r * r * r, 1e-3f * r * r * r);
            }
            // Tissue encloses the vessels.
            const skeletontest::Volume tissue = skeletontest::fromDescriptor(p.tissue);
            for (std::size_t i = 0; i < vol.v.size(); ++i) {
                ASSERT_TRUE(!vol.v[i] || tissue.v[i]);
            }
        }
    }
}

TEST(VesselPhantom, NearestSampleMatchesBruteForce) {
    const Phantom p = makePhantom(smallAnisotropic(4));
    const float k[3] = {1.0f, 1.0f, 1.5f / 0.7f};  // units of the finest spacing per voxel
    for (int i = 0; i < 200; ++i) {
        const float x = static_cast<float>((i * 37) % 64), y = static_cast<float>((i * 11) % 64),
                    z = static_cast<float>((i * 7) % 40);
        float best = 1e30f;
        for (const auto& vessel : p.truth)
            for (const auto& s : vessel.centreLine) {
                const float dx = (s.x - x) * k[0], dy = (s.y - y) * k[1], dz = (s.z - z) * k[2];
                best = std::min(best, std::sqrt(dx * dx + dy * dy + dz * dz));
            }
        const auto nearest = p.nearestSample(x, y, z);
        ASSERT_NE(nearest.sample, nullptr);
        EXPECT_NEAR(nearest.distance, best, 1e-3f);
    }
}

// Handing the masks over (takeVessels, takeTissue) is run by every whole-chain test.
TEST(VesselPhantom, OwnershipMoves) {
    PhantomOptions o = PhantomOptions::tiny();
    o.surfaceBumps = true;
    Phantom a = makePhantom(o);
    Phantom b = std::move(a);
    EXPECT_EQ(a.vessels, nullptr);
    ASSERT_NE(b.vessels, nullptr);
    EXPECT_EQ(std::make_tuple(b.vessels->type, b.vessels->bits, b.vessels->dim),
              std::make_tuple(lumoTeskTypeUnsigned, 8u, 3u));
    o.tissue = false;
    b = makePhantom(o);  // the old masks are freed (ASan checks)
    EXPECT_EQ(b.tissue, nullptr);
    EXPECT_NE(b.vessels, nullptr);
}
