#ifndef ANGIOLITH_TESTS_IMAGE_PICBUILDER_H
#define ANGIOLITH_TESTS_IMAGE_PICBUILDER_H

#include "support/Descriptors.h"

#include <angiolith/image/lumoTeskDescriptor.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace angiolith::test {

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

/// 1 + x + 10 y + 100 z: tells the voxels of a small volume apart.
inline int code(int x, int y, int z) { return 1 + x + 10 * y + 100 * z; }

/// A 3-D volume whose voxel (x, y, z) holds code(x, y, z).
template <typename T>
PicPtr codedVolume(lumoTeskType_t type, unsigned int bits, int nx, int ny, int nz) {
    std::vector<T> v;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) v.push_back(static_cast<T>(code(x, y, z)));
    return makePic<T>(type, bits,
                      {static_cast<unsigned int>(nx), static_cast<unsigned int>(ny),
                       static_cast<unsigned int>(nz)},
                      v);
}

/// Checks the neighbours @p n of (x, y, z) at @p offsets (neighbourOffsets() or kFaceOffsets) in a
/// coded volume of the given extents; positions outside the volume hold @p outside.
template <typename T>
void expectNeighbours(const T* n, const std::vector<Offset>& offsets, int x, int y, int z, int nx,
                      int ny, int nz, T outside) {
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        const int a = x + offsets[k].dx, b = y + offsets[k].dy, c = z + offsets[k].dz;
        const bool in = a >= 0 && b >= 0 && c >= 0 && a < nx && b < ny && c < nz;
        EXPECT_EQ(n[k], in ? static_cast<T>(code(a, b, c)) : outside) << k;
    }
}

/// Reads every position of a coded volume from one before to one past each face (corners,
/// edges, faces, interior), checks that writes outside change nothing, then writes the eight
/// corners and finds them in the element (z * ny + y) * nx + x.
template <typename T, typename Accessor>
void expectReadsAndWrites(Accessor& acc, const lumoTeskDescriptor* pic, int nx, int ny, int nz,
                          T outside) {
    const T* data = static_cast<const T*>(pic->data);
    const std::vector<T> before(data, data + nx * ny * nz);
    for (short z = -1; z <= nz; ++z)
        for (short y = -1; y <= ny; ++y)
            for (short x = -1; x <= nx; ++x) {
                const bool in = x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz;
                EXPECT_EQ(acc.getVoxel(x, y, z), in ? static_cast<T>(code(x, y, z)) : outside)
                    << x << y << z;
                if (!in) acc.setVoxel(x, y, z, static_cast<T>(77));
            }
    EXPECT_EQ(before, std::vector<T>(data, data + nx * ny * nz));
    for (int c = 0; c < 8; ++c) {
        const short x = (c & 1) ? nx - 1 : 0, y = (c & 2) ? ny - 1 : 0, z = (c & 4) ? nz - 1 : 0;
        acc.setVoxel(x, y, z, static_cast<T>(500 + c));
        EXPECT_EQ(data[(z * ny + y) * nx + x], static_cast<T>(500 + c));
        EXPECT_EQ(acc.getVoxel(x, y, z), static_cast<T>(500 + c));
    }
}

/// A 32769 x 1 x 1 byte volume whose last element, which no 16-bit coordinate names, is 7.
inline PicPtr beyondShortVolume() {
    std::vector<unsigned char> v(32769, 0);
    v[32768] = 7;
    return makePic<unsigned char>(lumoTeskTypeUnsigned, 8, {32769, 1, 1}, v);
}

}  // namespace angiolith::test

#endif
