#ifndef ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H
#define ANGIOLITH_TESTS_TERRITORY_TERRITORYTESTSUPPORT_H

#include "support/Descriptors.h"
#include "support/Errors.h"
#include "support/VesselTrees.h"

#include <angiolith/image/ThreeDPicAccessor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace angiolith::test {

/// The answer expected for one query: vessel id (low 16 bits) and distance.
struct Nearest {
    unsigned short vesselId;
    float distance;
};

/// Nearest sample by looking at every sample: squared distances in double, summed x, y, z; the
/// smallest wins, and among equal ones the first in list order.
inline Nearest bruteForceNearest(const std::vector<VesselElementID>& samples, float x, float y,
                                 float z) {
    double best = 0.0;
    const VesselElementID* winner = nullptr;
    for (const VesselElementID& s : samples) {
        const double dx = static_cast<double>(x) - s.position.x;
        const double dy = static_cast<double>(y) - s.position.y;
        const double dz = static_cast<double>(z) - s.position.z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (winner == nullptr || d < best) {
            best = d;
            winner = &s;
        }
    }
    return {static_cast<unsigned short>(winner->vesselId), static_cast<float>(std::sqrt(best))};
}

/// The element buffer of @p accessor's descriptor.
template <typename T>
T* dataOf(const ThreeDPicAccessor<T>& accessor) {
    return static_cast<T*>(accessor.getPic()->data);
}

/// A tree and its centre-line samples in preorder, as the entire-tree sampler lists them.
struct SampledTree {
    ArVesselTree tree;
    std::vector<VesselElementID> samples;
};

/// One portal vessel per centre line of @p lines, all but the first its children, with the ids
/// @p ids (1, 2, ... when none are given).
inline SampledTree sampledTree(const std::vector<std::vector<Vector3<float>>>& lines,
                               std::vector<int> ids = {}) {
    SampledTree result;
    std::vector<ar<Vessel>> vessels;
    for (std::size_t v = 0; v < lines.size(); ++v) {
        if (ids.size() <= v) ids.push_back(static_cast<int>(v) + 1);
        vessels.push_back(makeVessel(ids[v], VesselProperties::PORTAL, 1, 1, lines[v]));
        for (const Vector3<float>& p : lines[v]) result.samples.push_back({p, 1.0f, 0.0f, ids[v]});
    }
    result.tree = makeTree(vessels, std::vector<int>(vessels.size(), 0));
    return result;
}

/// A random tree: a root and children, each vessel a random polyline of @p perLine samples
/// @p step apart (at most) in a cube of edge @p extent, ids 1..count.
inline SampledTree randomTree(unsigned seed, int count, float extent, int perLine = 12,
                              float step = 1.3f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<std::vector<Vector3<float>>> lines(static_cast<std::size_t>(count));
    for (auto& line : lines) {
        Vector3<float> p{unit(rng) * extent, unit(rng) * extent, unit(rng) * extent};
        const Vector3<float> d{unit(rng) - 0.5f, unit(rng) - 0.5f, unit(rng) - 0.5f};
        for (int s = 0; s < perLine;
             ++s, p = {p.x + d.x * step, p.y + d.y * step, p.z + d.z * step}) {
            line.push_back(p);
        }
    }
    return sampledTree(lines);
}

/// A voxel grid: extents, spacing and origin.
struct Grid {
    unsigned nx, ny, nz;
    float spacing[3] = {1, 1, 1};
    float origin[3] = {0, 0, 0};
};

/// World position of voxel index @p i on @p axis, as the classifier computes it.
inline float world(const Grid& g, int axis, int i) {
    return static_cast<float>(i) * g.spacing[axis] + g.origin[axis];
}

/// A tissue mask on @p g: each voxel is tissue (a value from background + 1 to background + 5)
/// with probability @p fill, otherwise @p background.
inline std::vector<unsigned char> randomMask(unsigned seed, const Grid& g, unsigned char background,
                                             double fill) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution inside(fill);
    std::vector<unsigned char> mask(static_cast<std::size_t>(g.nx) * g.ny * g.nz, background);
    for (auto& v : mask) {
        if (inside(rng)) v = static_cast<unsigned char>(background + 1 + rng() % 5);
    }
    return mask;
}

/// A new owning accessor over a copy of @p mask, with the spacing and origin of @p g.
inline ThreeDPicAccessor<unsigned char>* tissueOn(const std::vector<unsigned char>& mask,
                                                  const Grid& g, unsigned char background) {
    lumoTeskDescriptor* pic = zeroVolume<unsigned char>(g.nx, g.ny, g.nz);
    std::memcpy(pic->data, mask.data(), mask.size());
    auto* tissue = new ThreeDPicAccessor<unsigned char>(pic, true, background);
    tissue->setVoxelSize(g.spacing[0], g.spacing[1], g.spacing[2]);
    tissue->setOrigin(g.origin[0], g.origin[1], g.origin[2]);
    return tissue;
}

/// Checks the vessel id and distance (byte for byte) of every voxel of @p g against the
/// exhaustive search over @p samples; voxels where @p mask holds @p background hold 0 and 0.
inline void expectBruteForce(const unsigned short* ids, const float* distances,
                             const std::vector<unsigned char>& mask, unsigned char background,
                             const Grid& g, const std::vector<VesselElementID>& samples) {
    std::size_t i = 0, tissue = 0;
    for (unsigned z = 0; z < g.nz; ++z) {
        for (unsigned y = 0; y < g.ny; ++y) {
            for (unsigned x = 0; x < g.nx; ++x, ++i) {
                const bool in = mask[i] != background;
                tissue += in ? 1 : 0;
                const Nearest expected =
                    in ? bruteForceNearest(samples, world(g, 0, int(x)), world(g, 1, int(y)),
                                           world(g, 2, int(z)))
                       : Nearest{0, 0.0f};
                ASSERT_EQ(ids[i], expected.vesselId) << x << ' ' << y << ' ' << z;
                ASSERT_EQ(std::memcmp(&distances[i], &expected.distance, 4), 0)
                    << x << ' ' << y << ' ' << z;
            }
        }
    }
    EXPECT_GT(tissue, 0u);
}

}  // namespace angiolith::test

#endif
