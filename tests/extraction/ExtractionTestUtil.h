#ifndef ANGIOLITH_TESTS_EXTRACTION_EXTRACTIONTESTUTIL_H
#define ANGIOLITH_TESTS_EXTRACTION_EXTRACTIONTESTUTIL_H

#include "support/Errors.h"

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/TreeIterator.h>
#include <angiolith/tree/Vector3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace extraction_test {

inline bool sameVoxel(const Vector3<short>& a, const Vector3<short>& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

/// A zero-filled volume of the given extents in an owning accessor.
template <typename T>
std::unique_ptr<VolumeAccessor<T>> makeVolume(unsigned nx, unsigned ny, unsigned nz,
                                              T outsideValue = 0) {
    return std::make_unique<VolumeAccessor<T>>(
        angiolith::detail::makeZeroVolume<T>(nx, ny, nz).release(), outsideValue, true);
}

/// Sets every listed voxel of @p vol to @p value.
template <typename T>
void draw(VolumeAccessor<T>& vol, std::initializer_list<std::array<int, 3>> voxels, T value) {
    for (const auto& v : voxels) {
        vol.setVoxel(static_cast<short>(v[0]), static_cast<short>(v[1]), static_cast<short>(v[2]),
                     value);
    }
}

/// Sets the voxels (x0..x1, y, z) of @p vol to @p value.
template <typename T>
void drawLineX(VolumeAccessor<T>& vol, int x0, int x1, int y, int z, T value) {
    for (int x = x0; x <= x1; ++x) {
        vol.setVoxel(static_cast<short>(x), static_cast<short>(y), static_cast<short>(z), value);
    }
}

/// A T in the plane z = 5 of an 11^3 skeleton: bar x = 1..9 at y = 5, stem (5, 6..9).
inline void drawT(VolumeAccessor<unsigned char>& vol) {
    drawLineX<unsigned char>(vol, 1, 9, 5, 5, 1);
    draw<unsigned char>(vol, {{5, 6, 5}, {5, 7, 5}, {5, 8, 5}, {5, 9, 5}}, 1);
}

/// The message of the std::runtime_error thrown by @p call, which must also be the line written
/// to the standard error stream.
inline std::string failure(const std::function<void()>& call) {
    testing::internal::CaptureStderr();
    const std::string what = angiolith::test::messageOf(call);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), what + "\n");
    return what;
}

using Skeleton = std::unique_ptr<VolumeAccessor<unsigned char>>;
using Field = std::unique_ptr<VolumeAccessor<float>>;

/// An n x n x n distance field holding @p value everywhere.
inline Field constantField(unsigned n, float value) {
    Field f = makeVolume<float>(n, n, n);
    std::fill_n(static_cast<float*>(f->getPic()->data), std::size_t{n} * n * n, value);
    return f;
}

inline int at(const VolumeAccessor<unsigned char>& vol, int x, int y, int z) {
    return vol.getVoxel(static_cast<short>(x), static_cast<short>(y), static_cast<short>(z));
}

using Coords = std::vector<std::array<int, 3>>;

/// The voxels of a list as plain triples, for comparisons with readable failure output.
template <typename List>
Coords coords(const List& list) {
    Coords out;
    for (const Vector3<short>& v : list) out.push_back({v.x, v.y, v.z});
    return out;
}

// One vessel of an extracted tree, read in preorder.
struct VesselSummary {
    int id;
    int cyclicId;
    int parentId;
    std::vector<std::array<float, 3>> positions;
    std::vector<float> diameters;
};

inline void collect(TreeIterator<ar<Vessel>>& it, int parentId, std::vector<VesselSummary>& out) {
    ar<Vessel> v = it.getValue();
    VesselSummary s{v->getId(), v->getCyclicId(), parentId, {}, {}};
    for (int i = 0; i < v->getSize(); ++i) {
        const VesselElement e = v->getElement(i);
        s.positions.push_back({e.position.x, e.position.y, e.position.z});
        s.diameters.push_back(e.diameter);
    }
    out.push_back(s);
    ar<TreeIterator<ar<Vessel>>> children(it.childIterator());
    while (children->hasNext()) {
        children->next();
        collect(*children, s.id, out);
    }
}

inline std::vector<VesselSummary> summarize(ArVesselTree& tree) {
    std::vector<VesselSummary> out;
    ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    if (!it->hasNext()) return out;
    it->next();
    collect(*it, -1, out);
    return out;
}

}  // namespace extraction_test

#endif
