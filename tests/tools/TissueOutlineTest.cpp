#include "ToolTestSupport.h"
#include "cli/report/TissueOutline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace angiolith::tool {
namespace {

Volume boxMask(const std::array<unsigned int, 3>& size, unsigned int from, unsigned int to) {
    Volume v;
    v.geometry.size = size;
    v.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, size);
    auto* data = static_cast<std::uint8_t*>(v.pic->data);
    for (unsigned int z = from; z < to && z < size[2]; ++z) {
        for (unsigned int y = from; y < to && y < size[1]; ++y) {
            for (unsigned int x = from; x < to && x < size[0]; ++x) {
                data[(z * size[1] + y) * size[0] + x] = 7;
            }
        }
    }
    return v;
}

std::set<Vec3> asSet(const std::vector<Vec3>& points) { return {points.begin(), points.end()}; }

TEST(TissueOutline, SurfaceOfABoxInWorldCoordinates) {
    // A 5-voxel cube inside a 10-voxel volume: its surface is every voxel with a coordinate
    // on the cube's first or last layer, 5^3 - 3^3 of them.
    Volume cube = boxMask({10, 10, 10}, 3, 8);
    cube.geometry.spacing = {1, 2, 3};
    cube.geometry.origin = {10, 20, 30};
    std::set<Vec3> expected;
    for (int z = 3; z < 8; ++z) {
        for (int y = 3; y < 8; ++y) {
            for (int x = 3; x < 8; ++x) {
                const bool onFace = x == 3 || x == 7 || y == 3 || y == 7 || z == 3 || z == 7;
                if (onFace) expected.insert(Vec3{10.0 + x, 20.0 + 2 * y, 30.0 + 3 * z});
            }
        }
    }
    const std::vector<Vec3> outline = tissueOutline(cube, 1000);
    EXPECT_EQ(outline.size(), 98u);
    EXPECT_EQ(asSet(outline), expected);

    // A mask that fills the volume: its border layer is the surface (8 inner voxels are not).
    EXPECT_EQ(tissueOutline(boxMask({4, 4, 4}, 0, 4), 1000).size(), 56u);
    EXPECT_TRUE(tissueOutline(boxMask({4, 4, 4}, 0, 0), 1000).empty());
    EXPECT_TRUE(tissueOutline(cube, 0).empty());
}

TEST(TissueOutline, LargeSurfacesAreThinnedToAboutTheLimitTheSameWayEveryTime) {
    const Volume full = boxMask({40, 40, 40}, 0, 40);  // 40^3 - 38^3 = 9128 surface voxels
    const std::set<Vec3> surface = asSet(tissueOutline(full, 100000));
    ASSERT_EQ(surface.size(), 9128u);
    const std::vector<Vec3> thinned = tissueOutline(full, 1000);
    EXPECT_GT(thinned.size(), 800u);
    EXPECT_LT(thinned.size(), 1200u);
    EXPECT_EQ(thinned, tissueOutline(full, 1000));
    for (const Vec3& p : thinned) EXPECT_TRUE(surface.count(p)) << p[0] << "," << p[1];
    // Spread over the whole surface: every face of the cube keeps points.
    for (int axis = 0; axis < 3; ++axis) {
        for (double face : {0.0, 39.0}) {
            long onFace = 0;
            for (const Vec3& p : thinned) onFace += p[axis] == face ? 1 : 0;
            EXPECT_GT(onFace, 80) << "axis " << axis << " at " << face;
        }
    }
}

// A ragged mask over many planes, touching the volume's faces: the outline gathered plane by
// plane on several threads is the one of one thread, thinned or not.
TEST(TissueOutline, SameSurfaceOnAnyNumberOfThreads) {
    Volume mask = boxMask({30, 20, 25}, 0, 0);
    auto* data = static_cast<std::uint8_t*>(mask.pic->data);
    std::uint32_t state = 11;
    for (unsigned i = 0; i < 30 * 20 * 25; ++i) {
        state = state * 1664525u + 1013904223u;
        data[i] = (state >> 30) != 0 ? 1 : 0;
    }
    for (const std::size_t limit : {100000u, 500u}) {
        const std::vector<Vec3> outline =
            test::sameOnAnyNumberOfThreads([&](unsigned) { return tissueOutline(mask, limit); });
        EXPECT_GT(outline.size(), std::min<std::size_t>(limit / 2, 5000));
    }
}

}  // namespace
}  // namespace angiolith::tool
