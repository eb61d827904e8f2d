#include "Voxelisation.h"

#include <angiolith/image/detail/ElementKinds.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace angiolith::phantom {

lumoTeskDescriptor* newMask(const PhantomOptions& o) {
    lumoTeskDescriptor* pic =
        angiolith::detail::makeZeroVolume<std::uint8_t>(o.sizeX, o.sizeY, o.sizeZ).release();
    if (pic == nullptr) std::abort();
    return pic;
}

VesselVoxeliser::VesselVoxeliser(const FineSpace& space, const PhantomOptions& options,
                                 lumoTeskDescriptor* mask)
    : space(space), options(options), voxels(static_cast<unsigned char*>(mask->data)) {}

void VesselVoxeliser::setVoxel(long x, long y, long z) {
    if (x < 0 || y < 0 || z < 0 || x >= options.sizeX || y >= options.sizeY || z >= options.sizeZ)
        return;
    voxels[(static_cast<std::size_t>(z) * options.sizeY + static_cast<std::size_t>(y)) *
               options.sizeX +
           static_cast<std::size_t>(x)] = 1;
}

// Every voxel whose centre lies within the radius (fine voxels) of the centre, and the voxel
// nearest to the centre, so that thin vessels stay connected under anisotropic spacing. Balls
// thinner than 2 are centred on the nearest voxel: digital balls around arbitrary points leave
// small tunnels in thin tubes, symmetric ones around voxel centres do not.
void VesselVoxeliser::paintBall(const Vec3& u, double r) {
    const Vec3& k = space.scale;
    const long cx = std::lround(u.x / k.x), cy = std::lround(u.y / k.y),
               cz = std::lround(u.z / k.z);
    setVoxel(cx, cy, cz);
    const long x0 = static_cast<long>(std::ceil((u.x - r) / k.x)),
               x1 = static_cast<long>(std::floor((u.x + r) / k.x));
    const long y0 = static_cast<long>(std::ceil((u.y - r) / k.y)),
               y1 = static_cast<long>(std::floor((u.y + r) / k.y));
    const long z0 = static_cast<long>(std::ceil((u.z - r) / k.z)),
               z1 = static_cast<long>(std::floor((u.z + r) / k.z));
    const double r2 = r * r;
    for (long z = z0; z <= z1; ++z) {
        const double dz = z * k.z - u.z;
        for (long y = y0; y <= y1; ++y) {
            const double dy = y * k.y - u.y;
            const double rest = r2 - dz * dz - dy * dy;
            if (rest < 0) continue;
            for (long x = x0; x <= x1; ++x) {
                const double dx = x * k.x - u.x;
                if (dx * dx <= rest) setVoxel(x, y, z);
            }
        }
    }
}

void VesselVoxeliser::paintVessel(const PhantomVessel& vessel) {
    for (const CentreLineSample& s : vessel.centreLine) paintBall(space.toFine(s), s.radius);
}

std::vector<Bump> VesselVoxeliser::paintBumps(const std::vector<PhantomVessel>& vessels,
                                              const ProximityGrid& proximity, Random& random) {
    const double step = VesselGrowth::kStep;
    const Vec3& k = space.scale;
    std::vector<Bump> bumps;
    for (int v = 0; v < static_cast<int>(vessels.size()); ++v) {
        const auto& line = vessels[v].centreLine;
        // Keep clear of the bifurcations at both ends.
        const int first = static_cast<int>((line.front().radius + 1) / step);
        const int last =
            static_cast<int>(line.size()) - 1 - static_cast<int>((line.back().radius + 1) / step);
        if (last <= first) continue;
        const int count = 1 + static_cast<int>((last - first) * step / 20.0);
        for (int b = 0; b < count; ++b) {
            const int i = first + static_cast<int>(random.uniform(0, last - first));
            const double r = line[i].radius;
            if (r < 1.5) continue;
            const Vec3 c = space.toFine(line[i]);
            const Vec3 axis = (space.toFine(line[i + 1]) - space.toFine(line[i - 1])).normalized();
            const Vec3 out = perpendicular(axis, random);
            const double length = random.uniform(2.0, 4.0);
            const Vec3 tip = c + out * (r + length);
            if (!space.inside(tip, 2.0) || proximity.collides(tip, 0.5, v, -1, -1, c, 0)) continue;
            for (double t = r - 0.5; t <= r + length + 1e-9; t += 0.3) {
                const Vec3 u = c + out * t;
                setVoxel(std::lround(u.x / k.x), std::lround(u.y / k.y), std::lround(u.z / k.z));
            }
            const Vec3 tv = space.toVoxel(tip);
            bumps.push_back(Bump{static_cast<float>(tv.x), static_cast<float>(tv.y),
                                 static_cast<float>(tv.z), static_cast<float>(length)});
        }
    }
    return bumps;
}

}  // namespace angiolith::phantom
