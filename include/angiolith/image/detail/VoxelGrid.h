#ifndef ANGIOLITH_IMAGE_DETAIL_VOXELGRID_H
#define ANGIOLITH_IMAGE_DETAIL_VOXELGRID_H

#include <cstdint>

namespace angiolith::detail {

/// Whether (x, y, z) lies in a grid of sizeX x sizeY x sizeZ voxels. The upper bounds are
/// compared in 64 bits so that an extent of 0 leaves every position outside.
inline bool insideGrid(int x, int y, int z, unsigned int sizeX, unsigned int sizeY,
                       unsigned int sizeZ) {
    return x >= 0 && y >= 0 && z >= 0 && x <= static_cast<std::int64_t>(sizeX) - 1 &&
           y <= static_cast<std::int64_t>(sizeY) - 1 && z <= static_cast<std::int64_t>(sizeZ) - 1;
}

/// The element number of voxel (x, y, z) in x-fastest order, formed in 64 bits so that volumes
/// beyond 2^32 elements stay correct. The position must lie inside the grid.
inline std::uint64_t gridIndex(int x, int y, int z, unsigned int sizeX, unsigned int sizeY) {
    return (static_cast<std::uint64_t>(z) * sizeY + static_cast<std::uint64_t>(y)) * sizeX +
           static_cast<std::uint64_t>(x);
}

/// Reads the @p count neighbours of (x, y, z) given by @p offsets into out[0..count-1] through
/// @p read(x, y, z). Neighbour coordinates are formed in 16 bits, as the accessors promise.
template <typename T, typename Read>
void gatherNeighbours(const int (*offsets)[3], int count, short x, short y, short z, T* out,
                      Read read) {
    for (int k = 0; k < count; ++k) {
        const int* d = offsets[k];
        out[k] = read(static_cast<short>(x + d[0]), static_cast<short>(y + d[1]),
                      static_cast<short>(z + d[2]));
    }
}

}  // namespace angiolith::detail

#endif
