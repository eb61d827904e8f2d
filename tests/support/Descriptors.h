#ifndef ANGIOLITH_TESTS_SUPPORT_DESCRIPTORS_H
#define ANGIOLITH_TESTS_SUPPORT_DESCRIPTORS_H

// Descriptors for the tests: owned through PicPtr, filled with given values, or zero-filled; their
// headers checked; tag records; and the order in which accessors and evaluators list the
// neighbours of a voxel.

#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoTeskDescriptor.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace angiolith::test {

/// An owned descriptor, freed with lumoTeskFree.
using PicPtr = angiolith::detail::DescriptorPtr;

/// A descriptor of the given kind and extents whose element buffer (malloc) holds @p values.
template <typename T>
PicPtr makePic(lumoTeskType_t type, unsigned int bits, std::vector<unsigned int> extents,
               const std::vector<T>& values) {
    PicPtr pic(lumoTeskNew());
    pic->type = type;
    pic->bits = bits;
    pic->dim = static_cast<unsigned int>(extents.size());
    for (std::size_t i = 0; i < extents.size() && i < 8; ++i) pic->n[i] = extents[i];
    pic->data = std::malloc(values.empty() ? 1 : values.size() * sizeof(T));
    if (!values.empty()) std::memcpy(pic->data, values.data(), values.size() * sizeof(T));
    return pic;
}

/// A zero-filled 3-D volume of the element kind of T (caller frees).
template <typename T>
lumoTeskDescriptor* zeroVolume(unsigned nx, unsigned ny, unsigned nz) {
    return angiolith::detail::makeZeroVolume<T>(nx, ny, nz).release();
}

/// A zero-filled descriptor with any header, also one the library refuses (an element kind it
/// does not know, a dim other than 3). Caller frees.
inline lumoTeskDescriptor* zeroPic(lumoTeskType_t type, unsigned bits, unsigned dim, unsigned nx,
                                   unsigned ny, unsigned nz) {
    lumoTeskDescriptor* pic = lumoTeskNew();
    pic->type = type;
    pic->bits = bits;
    pic->dim = dim;
    pic->n[0] = nx;
    pic->n[1] = ny;
    pic->n[2] = nz;
    const std::size_t count = static_cast<std::size_t>(nx) * ny * (dim == 3 ? nz : 1);
    pic->data = std::calloc(count == 0 ? 1 : count, bits / 8);
    return pic;
}

/// Checks a descriptor's kind, width, dimension and extents.
inline void expectHeader(const lumoTeskDescriptor* pic, lumoTeskType_t type, unsigned int bits,
                         const std::vector<unsigned int>& extents) {
    EXPECT_EQ(pic->type, type);
    EXPECT_EQ(pic->bits, bits);
    EXPECT_EQ(pic->dim, extents.size());
    for (std::size_t i = 0; i < extents.size(); ++i) EXPECT_EQ(pic->n[i], extents[i]) << i;
}

/// A tag record (calloc) named @p name holding @p value, ready for lumoTeskAddTag.
inline lumoTeskTag_t* makeTag(const char* name, const std::vector<unsigned char>& value) {
    auto* tag = static_cast<lumoTeskTag_t*>(std::calloc(1, sizeof(lumoTeskTag_t)));
    std::strncpy(tag->tag, name, 32);
    tag->type = lumoTeskTypeUnsigned;
    tag->bits = 8;
    tag->dim = 1;
    tag->n[0] = static_cast<unsigned int>(value.size());
    tag->value = std::malloc(value.size());
    std::memcpy(tag->value, value.data(), value.size());
    return tag;
}

/// A tag record whose value is the nested list @p list (taken over).
inline lumoTeskTag_t* makeListTag(const char* name, lumoTeskTagLink_t* list) {
    auto* tag = static_cast<lumoTeskTag_t*>(std::calloc(1, sizeof(lumoTeskTag_t)));
    std::strncpy(tag->tag, name, 32);
    tag->type = lumoTeskTypeTagList;
    tag->value = list;
    return tag;
}

/// A neighbour position relative to the centre voxel.
struct Offset {
    int dx, dy, dz;
};

/// The 26 neighbour positions in the accessors' and evaluators' order: z from +1 down to -1
/// (outer), y from +1 down to -1, x from -1 up to +1 (inner), the centre left out.
inline std::vector<Offset> neighbourOffsets() {
    std::vector<Offset> result;
    for (int dz = 1; dz >= -1; --dz)
        for (int dy = 1; dy >= -1; --dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy || dz) result.push_back({dx, dy, dz});
    return result;
}

/// The 6 face neighbours in the accessors' order: +z, -z, -x, +x, +y, -y.
inline const std::vector<Offset> kFaceOffsets = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0},
                                                 {1, 0, 0}, {0, 1, 0},  {0, -1, 0}};

}  // namespace angiolith::test

#endif
