#include "skeleton/SkeletonTestSupport.h"
#include "skeleton/VoxelNeighbourhood.h"

#include <angiolith/image/VolumeAccessor.h>

#include <gtest/gtest.h>

#include <array>
#include <random>

// The direct read must give exactly the accessor's 26 values, in its order, at every voxel:
// inside the grid (the direct path) and on its faces, edges and corners (the accessor's path).
TEST(VoxelNeighbourhood, ReadsWhatTheAccessorReads) {
    std::mt19937 rng(5);
    skeletontest::Volume vol(7, 6, 5);
    for (auto& v : vol.v) v = static_cast<unsigned char>(rng() % 4);
    const angiolith::test::PicPtr pic(skeletontest::toDescriptor(vol));
    const VolumeAccessor<unsigned char> accessor(pic.get(), 0, false);
    for (short z = 0; z < vol.nz; ++z) {
        for (short y = 0; y < vol.ny; ++y) {
            for (short x = 0; x < vol.nx; ++x) {
                std::array<unsigned char, 26> direct{}, expected{};
                angiolith::detail::read26Neighbourhood(accessor, x, y, z, direct.data());
                accessor.get26Neighbourhood(x, y, z, expected.data());
                EXPECT_EQ(direct, expected) << x << "," << y << "," << z;
            }
        }
    }
}
