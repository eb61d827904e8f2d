#include "cli/report/TissueOutline.h"

#include <cstdint>

namespace angiolith::tool {

namespace {

/// A 64-bit mix of a voxel index (the finaliser of SplitMix64, Steele, Lea and Flood,
/// "Fast splittable pseudorandom number generators", OOPSLA 2014): neighbouring indices get
/// unrelated values, so keeping those below a threshold thins the surface without a pattern.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace

std::vector<Vec3> tissueOutline(const Volume& mask, std::size_t maxPoints) {
    std::vector<Vec3> points;
    if (!mask.pic || maxPoints == 0) return points;
    const DescriptorPtr binary = binarize(*mask.pic);
    const auto* in = static_cast<const unsigned char*>(binary->data);
    const long nx = binary->n[0], ny = binary->n[1], nz = binary->n[2];
    const auto at = [&](long x, long y, long z) {
        return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz &&
               in[(z * ny + y) * nx + x] != 0;
    };
    std::vector<std::uint64_t> surface;
    for (long z = 0; z < nz; ++z) {
        for (long y = 0; y < ny; ++y) {
            for (long x = 0; x < nx; ++x) {
                if (!at(x, y, z)) continue;
                if (!at(x - 1, y, z) || !at(x + 1, y, z) || !at(x, y - 1, z) || !at(x, y + 1, z) ||
                    !at(x, y, z - 1) || !at(x, y, z + 1)) {
                    surface.push_back(static_cast<std::uint64_t>((z * ny + y) * nx + x));
                }
            }
        }
    }
    // Keep an index when its hash falls in the lowest maxPoints / surface.size() of the range.
    const bool all = surface.size() <= maxPoints;
    const std::uint64_t threshold =
        all ? UINT64_MAX : UINT64_MAX / surface.size() * static_cast<std::uint64_t>(maxPoints);
    for (std::uint64_t index : surface) {
        if (!all && mix(index) > threshold) continue;
        const auto x = static_cast<double>(index % nx);
        const auto y = static_cast<double>((index / nx) % ny);
        const auto z = static_cast<double>(index / (static_cast<std::uint64_t>(nx) * ny));
        points.push_back(mask.geometry.indexToWorld({x, y, z}));
    }
    return points;
}

}  // namespace angiolith::tool
