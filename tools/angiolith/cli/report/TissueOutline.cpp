#include "cli/report/TissueOutline.h"

#include <angiolith/detail/ParallelChunks.h>

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

// The voxels of plane @p z of the mask @p in (non-zero, as isObject says, is object) that have a
// face neighbour outside the object or outside the volume, as indices in storage order.
template <typename T>
void surfaceInPlane(const T* in, long nx, long ny, long nz, std::size_t z,
                    std::vector<std::uint64_t>& found) {
    const std::size_t plane = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    const T* below = z > 0 ? in + (z - 1) * plane : nullptr;
    const T* above = z + 1 < static_cast<std::size_t>(nz) ? in + (z + 1) * plane : nullptr;
    for (long y = 0; y < ny; ++y) {
        const std::size_t inPlane = static_cast<std::size_t>(y) * nx;
        const std::size_t first = z * plane + inPlane;
        const T* row = in + first;
        const T* front = y > 0 ? row - nx : nullptr;
        const T* back = y + 1 < ny ? row + nx : nullptr;
        for (long x = 0; x < nx; ++x) {
            if (!isObject(row[x])) continue;
            const bool inner = x > 0 && x + 1 < nx && isObject(row[x - 1]) &&
                               isObject(row[x + 1]) && front != nullptr && isObject(front[x]) &&
                               back != nullptr && isObject(back[x]) && below != nullptr &&
                               isObject(below[inPlane + x]) && above != nullptr &&
                               isObject(above[inPlane + x]);
            if (!inner) found.push_back(first + static_cast<std::size_t>(x));
        }
    }
}

}  // namespace

std::vector<Vec3> tissueOutline(const Volume& mask, std::size_t maxPoints) {
    std::vector<Vec3> points;
    if (!mask.pic || maxPoints == 0) return points;
    const lumoTeskDescriptor& pic = *mask.pic;
    const long nx = pic.n[0], ny = pic.n[1], nz = pic.n[2];
    // Plane by plane on the worker threads, each plane's surface voxels in storage order, joined
    // in plane order: the same list on any number of threads.
    std::vector<std::vector<std::uint64_t>> planes(static_cast<std::size_t>(nz));
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        using T = decltype(tag);
        const T* values = static_cast<const T*>(pic.data);
        angiolith::detail::parallelChunks(
            angiolith::detail::resolveThreads(workerThreads(), planes.size()), planes.size(),
            [&](unsigned, std::size_t z) { surfaceInPlane(values, nx, ny, nz, z, planes[z]); });
    });
    std::vector<std::uint64_t> surface;
    for (std::vector<std::uint64_t>& found : planes) {
        surface.insert(surface.end(), found.begin(), found.end());
        std::vector<std::uint64_t>().swap(found);
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
