#ifndef ANGIOLITH_SRC_EXTRACTION_SKELETONACCESS_H
#define ANGIOLITH_SRC_EXTRACTION_SKELETONACCESS_H

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/tree/Vector3.h>

#include <array>
#include <string>

namespace angiolith::detail {

/// Offsets (dx, dy, dz) of the 26 neighbours in index order: dz = +1, 0, -1 (outer), dy = +1,
/// 0, -1, dx = -1, 0, +1 (inner), the centre left out; the order of get26Neighbourhood.
struct NeighbourOffset {
    int dx, dy, dz;
};

constexpr std::array<NeighbourOffset, 26> makeNeighbourOffsets() {
    std::array<NeighbourOffset, 26> offsets{};
    int k = 0;
    for (int dz = 1; dz >= -1; --dz) {
        for (int dy = 1; dy >= -1; --dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (dx != 0 || dy != 0 || dz != 0) offsets[k++] = NeighbourOffset{dx, dy, dz};
            }
        }
    }
    return offsets;
}

inline constexpr std::array<NeighbourOffset, 26> kNeighbourOffsets = makeNeighbourOffsets();

inline Vector3<short> neighbourOf(const Vector3<short>& p, int index) {
    const NeighbourOffset& o = kNeighbourOffsets[index];
    return Vector3<short>{static_cast<short>(p.x + o.dx), static_cast<short>(p.y + o.dy),
                          static_cast<short>(p.z + o.dz)};
}

/// Whether (x, y, z) lies inside the skeleton volume (an empty accessor has no inside).
inline bool insideSkeleton(const VolumeAccessor<unsigned char>& vol, int x, int y, int z) {
    return !vol.isEmpty() && x >= 0 && y >= 0 && z >= 0 &&
           static_cast<unsigned int>(x) < vol.getSizeX() &&
           static_cast<unsigned int>(y) < vol.getSizeY() &&
           static_cast<unsigned int>(z) < vol.getSizeZ();
}

/// The skeleton value at (x, y, z). Positions outside the volume are never skeleton voxels:
/// they read 0 whatever the accessor's outside value, so that no search can leave the volume.
inline unsigned char skeletonValue(const VolumeAccessor<unsigned char>& vol, int x, int y, int z) {
    return insideSkeleton(vol, x, y, z)
               ? vol.getVoxel(static_cast<short>(x), static_cast<short>(y), static_cast<short>(z))
               : 0;
}

/// The 26 skeleton values around @p p in index order, outside positions read as 0.
inline void skeletonNeighbours(const VolumeAccessor<unsigned char>& vol, const Vector3<short>& p,
                               unsigned char* out) {
    if (insideSkeleton(vol, p.x - 1, p.y - 1, p.z - 1) &&
        insideSkeleton(vol, p.x + 1, p.y + 1, p.z + 1)) {
        vol.get26Neighbourhood(p.x, p.y, p.z, out);
        return;
    }
    for (int i = 0; i < 26; ++i) {
        const NeighbourOffset& o = kNeighbourOffsets[i];
        out[i] = skeletonValue(vol, p.x + o.dx, p.y + o.dy, p.z + o.dz);
    }
}

/// Number of non-zero entries among 26 neighbour values.
inline int countNonZero(const unsigned char* values) {
    int n = 0;
    for (int i = 0; i < 26; ++i) n += values[i] != 0;
    return n;
}

/// The failure channel of the path finder: writes @p message and a line end to the standard
/// error stream, then throws std::runtime_error with the same text.
[[noreturn]] void pathFinderFailure(const std::string& message);

}  // namespace angiolith::detail

#endif
