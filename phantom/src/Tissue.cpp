#include "Tissue.h"

#include "Voxelisation.h"

#include <cstddef>

namespace angiolith::phantom {

lumoTeskDescriptor* makeTissueMask(const FineSpace& space, const PhantomOptions& options,
                                   const lumoTeskDescriptor* vesselMask) {
    lumoTeskDescriptor* tissue = newMask(options);
    const auto* vessels = static_cast<const unsigned char*>(vesselMask->data);
    auto* out = static_cast<unsigned char*>(tissue->data);
    const Vec3& k = space.scale;
    std::size_t i = 0;
    for (unsigned z = 0; z < options.sizeZ; ++z) {
        const double dz = (z * k.z - space.centre.z) / space.axes.z;
        for (unsigned y = 0; y < options.sizeY; ++y) {
            const double dy = (y * k.y - space.centre.y) / space.axes.y;
            // FineSpace::liverShape as a cubic in dx with coefficients fixed along the row.
            const double c1 = 0.25 * dy - 0.15 * dz, c0 = dy * dy + dz * dz;
            for (unsigned x = 0; x < options.sizeX; ++x, ++i) {
                const double dx = (x * k.x - space.centre.x) / space.axes.x;
                const double q = ((0.2 * dx + 1.0) * dx + c1) * dx + c0;
                out[i] = (q < 1.0 || vessels[i] != 0) ? 1 : 0;
            }
        }
    }
    return tissue;
}

}  // namespace angiolith::phantom
