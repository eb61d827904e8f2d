#ifndef ANGIOLITH_SKELETON_VOXELNEIGHBOURHOOD_H
#define ANGIOLITH_SKELETON_VOXELNEIGHBOURHOOD_H

#include <angiolith/image/VolumeAccessor.h>

#include <cstddef>

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
    const unsigned char* centre =
        static_cast<const unsigned char*>(volume.getPic()->data) +
        (static_cast<std::ptrdiff_t>(z) * plane + static_cast<std::ptrdiff_t>(y) * sx + x);
    int k = 0;
    for (int dz = 1; dz >= -1; --dz) {
        for (int dy = 1; dy >= -1; --dy) {
            const unsigned char* row = centre + dz * plane + dy * sx;
            if (dz == 0 && dy == 0) {
                out[k++] = row[-1];
                out[k++] = row[1];
            } else {
                out[k++] = row[-1];
                out[k++] = row[0];
                out[k++] = row[1];
            }
        }
    }
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
