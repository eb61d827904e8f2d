#ifndef ANGIOLITH_SRC_EXTRACTION_SKELETONACCESS_H
#define ANGIOLITH_SRC_EXTRACTION_SKELETONACCESS_H

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/detail/NeighbourOffsets.h>
#include <angiolith/tree/Vector3.h>

#include <array>
#include <cstddef>
#include <string>

namespace angiolith::detail {

/// The position of neighbour @p index of @p p, in the order of kNeighbourOffsets26.
inline Vector3<short> neighbourOf(const Vector3<short>& p, int index) {
    const int* o = kNeighbourOffsets26.d[index];
    return Vector3<short>{static_cast<short>(p.x + o[0]), static_cast<short>(p.y + o[1]),
                          static_cast<short>(p.z + o[2])};
}

/// Reads a skeleton volume for the extraction. Positions outside the volume are never skeleton
/// voxels: they read 0 whatever the accessor's outside value, so that no search can leave the
/// volume. Inside, the values are those of the accessor, read straight from its element block
/// (unsigned 8-bit) with precomputed neighbour offsets, since these reads are the extraction's
/// inner loop. Writes go through the accessor; the reader caches no value.
class SkeletonReader {
public:
    explicit SkeletonReader(const VolumeAccessor<unsigned char>& vol)
        : data(vol.isEmpty() || vol.getPic() == nullptr
                   ? nullptr
                   : static_cast<const unsigned char*>(vol.getPic()->data)),
          sizeX(vol.getSizeX()),
          sizeY(vol.getSizeY()),
          sizeZ(vol.getSizeZ()) {
        const std::ptrdiff_t sx = static_cast<std::ptrdiff_t>(sizeX);
        const std::ptrdiff_t sxy = sx * static_cast<std::ptrdiff_t>(sizeY);
        for (int i = 0; i < 26; ++i) {
            const int* o = kNeighbourOffsets26.d[i];
            offsets[i] = o[0] + o[1] * sx + o[2] * sxy;
        }
    }

    bool inside(int x, int y, int z) const {
        return data != nullptr && x >= 0 && y >= 0 && z >= 0 &&
               static_cast<unsigned int>(x) < sizeX && static_cast<unsigned int>(y) < sizeY &&
               static_cast<unsigned int>(z) < sizeZ;
    }
    /// Element number of an inside position.
    std::size_t index(int x, int y, int z) const {
        return (static_cast<std::size_t>(z) * sizeY + static_cast<std::size_t>(y)) * sizeX +
               static_cast<std::size_t>(x);
    }
    std::size_t elementCount() const { return static_cast<std::size_t>(sizeX) * sizeY * sizeZ; }
    unsigned char value(int x, int y, int z) const {
        return inside(x, y, z) ? data[index(x, y, z)] : 0;
    }
    /// The 26 values around @p p in index order.
    void neighbours(const Vector3<short>& p, unsigned char* out) const {
        if (inside(p.x - 1, p.y - 1, p.z - 1) && inside(p.x + 1, p.y + 1, p.z + 1)) {
            const unsigned char* centre = data + index(p.x, p.y, p.z);
            for (int i = 0; i < 26; ++i) out[i] = centre[offsets[i]];
            return;
        }
        for (int i = 0; i < 26; ++i) {
            const int* o = kNeighbourOffsets26.d[i];
            out[i] = value(p.x + o[0], p.y + o[1], p.z + o[2]);
        }
    }

private:
    const unsigned char* data;
    unsigned int sizeX, sizeY, sizeZ;
    std::ptrdiff_t offsets[26];
};

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
