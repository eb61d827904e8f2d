#ifndef ANGIOLITH_SKELETON_VOXELNEIGHBOURHOOD_H
#define ANGIOLITH_SKELETON_VOXELNEIGHBOURHOOD_H

#include <angiolith/image/VolumeAccessor.h>

#include <cstddef>
#include <cstring>

namespace angiolith::detail {

/// The 26 neighbour values of (x, y, z) in the evaluators' order, exactly as
/// VolumeAccessor::get26Neighbourhood writes them, but read straight from the element buffer
/// when the whole 3 x 3 x 3 cube lies inside the volume (the common case in the thinning's
/// inner loop); voxels on the volume's faces take the accessor's bounds-checked path.
inline void read26Neighbourhood(const VolumeAccessor<unsigned char>& volume, short x, short y,
                                short z, unsigned char* out) {
    const long sx = volume.getSizeX(), sy = volume.getSizeY(), sz = volume.getSizeZ();
    if (volume.isEmpty() || x < 1 || y < 1 || z < 1 || x + 1 >= sx || y + 1 >= sy || z + 1 >= sz) {
        volume.get26Neighbourhood(x, y, z, out);
        return;
    }
    const std::ptrdiff_t plane = static_cast<std::ptrdiff_t>(sx) * sy;
    const std::ptrdiff_t row = sx;
    const unsigned char* c = static_cast<const unsigned char*>(volume.getPic()->data) +
                             (static_cast<std::ptrdiff_t>(z) * plane + y * row + x);
    // Each row of the cube gives three consecutive values (x - 1 to x + 1), the centre's own
    // row two; written out, as this runs for every candidate test of the thinning.
    const auto copyRow = [](unsigned char* to, const unsigned char* from) {
        std::memcpy(to, from - 1, 3);
    };
    copyRow(out + 0, c + plane + row);  // z + 1: y + 1, y, y - 1
    copyRow(out + 3, c + plane);
    copyRow(out + 6, c + plane - row);
    copyRow(out + 9, c + row);  // z: y + 1, the centre's row, y - 1
    out[12] = c[-1];
    out[13] = c[1];
    copyRow(out + 14, c - row);
    copyRow(out + 17, c - plane + row);  // z - 1: y + 1, y, y - 1
    copyRow(out + 20, c - plane);
    copyRow(out + 23, c - plane - row);
}

/// Asks the cache for the nine rows of the 3 x 3 x 3 cube around (x, y, z) ahead of a
/// read26Neighbourhood there; the thinning's candidates lie scattered over large volumes.
inline void prefetch26Neighbourhood(const VolumeAccessor<unsigned char>& volume, short x, short y,
                                    short z) {
    const long sx = volume.getSizeX(), sy = volume.getSizeY(), sz = volume.getSizeZ();
    if (volume.isEmpty() || x < 1 || y < 1 || z < 1 || x + 1 >= sx || y + 1 >= sy || z + 1 >= sz) {
        return;
    }
    const std::ptrdiff_t plane = static_cast<std::ptrdiff_t>(sx) * sy;
    const unsigned char* centre =
        static_cast<const unsigned char*>(volume.getPic()->data) +
        (static_cast<std::ptrdiff_t>(z) * plane + static_cast<std::ptrdiff_t>(y) * sx + x);
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dy = -1; dy <= 1; ++dy) __builtin_prefetch(centre + dz * plane + dy * sx - 1);
    }
}

}  // namespace angiolith::detail

#endif
