#ifndef ANGIOLITH_TESTS_SKELETON_SKELETONTESTSUPPORT_H
#define ANGIOLITH_TESTS_SKELETON_SKELETONTESTSUPPORT_H

#include "support/Descriptors.h"

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/skeleton/DistancePoint3D.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

// Plain binary volumes and independent topology measures for the skeleton tests.
namespace skeletontest {

struct Volume {
    int nx = 0, ny = 0, nz = 0;
    std::vector<unsigned char> v;

    Volume() = default;
    Volume(int x, int y, int z) : nx(x), ny(y), nz(z), v(static_cast<std::size_t>(x) * y * z) {}
    bool inside(int x, int y, int z) const {
        return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz;
    }
    unsigned char at(int x, int y, int z) const {
        return inside(x, y, z) ? v[(static_cast<std::size_t>(z) * ny + y) * nx + x] : 0;
    }
    void set(int x, int y, int z, unsigned char value = 1) {
        if (inside(x, y, z)) v[(static_cast<std::size_t>(z) * ny + y) * nx + x] = value;
    }
    long count() const {
        long c = 0;
        for (unsigned char b : v) c += b != 0;
        return c;
    }
};

// A solid nx x ny x nz box inside a background margin.
inline Volume box(int nx, int ny, int nz, int margin = 1) {
    Volume vol(nx + 2 * margin, ny + 2 * margin, nz + 2 * margin);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) vol.set(x + margin, y + margin, z + margin);
    return vol;
}

// A new unsigned 8-bit descriptor holding the volume.
inline lumoTeskDescriptor* toDescriptor(const Volume& vol) {
    lumoTeskDescriptor* pic =
        angiolith::test::zeroPic(lumoTeskTypeUnsigned, 8, 3, vol.nx, vol.ny, vol.nz);
    if (!vol.v.empty()) std::memcpy(pic->data, vol.v.data(), vol.v.size());
    return pic;
}

inline Volume fromDescriptor(const lumoTeskDescriptor* pic) {
    Volume vol(static_cast<int>(pic->n[0]), static_cast<int>(pic->n[1]),
               static_cast<int>(pic->n[2]));
    if (!vol.v.empty()) std::memcpy(vol.v.data(), pic->data, vol.v.size());
    return vol;
}

// The descriptors of a skeletonizer under test: the volume it thins and the distance field it
// makes. A base listed before the skeletonizer, so that they outlive it.
struct OwnedPics {
    explicit OwnedPics(const Volume& vol) : volumePic(toDescriptor(vol)) {}
    angiolith::test::PicPtr volumePic, fieldPic;
};

// Euler characteristic of the object as a union of closed unit cubes (the topology of
// 26-connected objects), counted directly: vertices - edges + faces - cubes of the complex.
inline long eulerCharacteristic(const Volume& vol) {
    auto any = [&](int x0, int x1, int y0, int y1, int z0, int z1) {
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    if (vol.at(x, y, z)) return true;
        return false;
    };
    long vertices = 0, edges = 0, faces = 0, cubes = 0;
    for (int z = 0; z <= vol.nz; ++z) {
        for (int y = 0; y <= vol.ny; ++y) {
            for (int x = 0; x <= vol.nx; ++x) {
                // Cells with lowest corner at lattice point (x, y, z); voxel (i, j, k) spans
                // [i, i+1] x [j, j+1] x [k, k+1].
                vertices += any(x - 1, x, y - 1, y, z - 1, z);
                edges += any(x, x, y - 1, y, z - 1, z);  // along x
                edges += any(x - 1, x, y, y, z - 1, z);  // along y
                edges += any(x - 1, x, y - 1, y, z, z);  // along z
                faces += any(x, x, y, y, z - 1, z);      // xy face
                faces += any(x, x, y - 1, y, z, z);      // xz face
                faces += any(x - 1, x, y, y, z, z);      // yz face
                cubes += vol.at(x, y, z) != 0;
            }
        }
    }
    return vertices - edges + faces - cubes;
}

using angiolith::test::neighbourOffsets;
using angiolith::test::Offset;

// 26-connected components of the object; labels[i] is 1-based, 0 for background.
inline int components26(const Volume& vol, std::vector<int>* labels = nullptr) {
    const std::vector<Offset> offsets = neighbourOffsets();
    std::vector<int> label(vol.v.size(), 0);
    int count = 0;
    for (std::size_t i = 0; i < vol.v.size(); ++i) {
        if (!vol.v[i] || label[i]) continue;
        label[i] = ++count;
        std::vector<int> stack{static_cast<int>(i)};
        while (!stack.empty()) {
            const int j = stack.back();
            stack.pop_back();
            const int jx = j % vol.nx, jy = (j / vol.nx) % vol.ny, jz = j / (vol.nx * vol.ny);
            for (const Offset& o : offsets) {
                const int x = jx + o.dx, y = jy + o.dy, z = jz + o.dz;
                const int k = (z * vol.ny + y) * vol.nx + x;
                if (vol.at(x, y, z) && !label[k]) {
                    label[k] = count;
                    stack.push_back(k);
                }
            }
        }
    }
    if (labels != nullptr) *labels = std::move(label);
    return count;
}

// Union of random balls (and a few random single voxels) in an n^3 volume, fixed seed.
inline Volume randomBlob(int n, unsigned seed, int balls) {
    Volume vol(n, n, n);
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(rng() >> 8) / 16777216.0;
    };
    for (int b = 0; b < balls; ++b) {
        const double cx = uniform(0, n), cy = uniform(0, n), cz = uniform(0, n);
        const double r = uniform(1.0, n / 4.0);
        for (int z = 0; z < n; ++z)
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz) <= r * r)
                        vol.set(x, y, z);
    }
    for (int i = 0; i < n; ++i) {
        vol.set(static_cast<int>(uniform(0, n)), static_cast<int>(uniform(0, n)),
                static_cast<int>(uniform(0, n)));
    }
    return vol;
}

inline bool adjacent26(const Offset& a, const Offset& b) {
    return std::abs(a.dx - b.dx) <= 1 && std::abs(a.dy - b.dy) <= 1 && std::abs(a.dz - b.dz) <= 1;
}

// Number of components, under the given adjacency, of the neighbour positions selected by `in`
// that contain a position selected by `anchor`.
template <typename In, typename Adjacent, typename Anchor>
int neighbourComponents(In in, Adjacent adjacent, Anchor anchor) {
    const std::vector<Offset> off = neighbourOffsets();
    int label[26] = {};
    int count = 0, anchored = 0;
    for (int i = 0; i < 26; ++i) {
        if (!in(i) || label[i]) continue;
        label[i] = ++count;
        bool hit = false;
        std::vector<int> stack{i};
        while (!stack.empty()) {
            const int j = stack.back();
            stack.pop_back();
            hit = hit || anchor(j);
            for (int k = 0; k < 26; ++k)
                if (in(k) && !label[k] && adjacent(off[j], off[k])) {
                    label[k] = count;
                    stack.push_back(k);
                }
        }
        anchored += hit;
    }
    return anchored;
}

// Base whose destructions are counted, to tell which objects an owner deleted.
template <typename Base>
class Counted : public Base {
public:
    template <typename... Args>
    explicit Counted(int* deaths, Args... args) : Base(args...), deaths(deaths) {}
    ~Counted() override { ++*deaths; }

private:
    int* deaths;
};

using Voxel = std::tuple<int, int, int>;

struct ThinResult {
    Volume thinned;
    std::vector<Voxel> skeleton;
    std::vector<float> skeletonDistances;
    std::vector<float> field;  // empty without a distance field
    std::string output;        // what the run printed
};

// Thins a copy of the volume with skeletonizer S (constructed from the descriptor and
// `args`), collects everything the tests look at and releases the descriptors the way a host
// does (after the skeletonizer).
template <typename S, typename... Args>
ThinResult runThinning(const Volume& vol, const std::array<float, 3>& spacing, Args... args) {
    ThinResult r;
    angiolith::test::PicPtr pic(toDescriptor(vol)), field;
    S s(pic.get(), args...);
    field.reset(s.getDistanceFieldPic());
    s.setVolumeVoxelSizeX(spacing[0]);
    s.setVolumeVoxelSizeY(spacing[1]);
    s.setVolumeVoxelSizeZ(spacing[2]);
    EXPECT_EQ(s.getSkeletalVoxels(), nullptr);
    testing::internal::CaptureStdout();
    s.skeletonize();
    r.output = testing::internal::GetCapturedStdout();
    for (DistancePoint3D* p : *s.getSkeletalVoxels()) {
        r.skeleton.emplace_back(p->getX(), p->getY(), p->getZ());
        r.skeletonDistances.push_back(p->getDistance());
    }
    r.thinned = fromDescriptor(pic.get());
    if (field != nullptr) {
        const float* d = static_cast<const float*>(field->data);
        r.field.assign(d, d + vol.v.size());
    }
    return r;
}

}  // namespace skeletontest

#endif
