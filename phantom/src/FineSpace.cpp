#include "FineSpace.h"

#include <algorithm>

namespace angiolith::phantom {

FineSpace::FineSpace(const PhantomOptions& options) {
    const double minSpacing = std::min({options.spacingX, options.spacingY, options.spacingZ});
    scale = {options.spacingX / minSpacing, options.spacingY / minSpacing,
             options.spacingZ / minSpacing};
    extent = {options.sizeX * scale.x, options.sizeY * scale.y, options.sizeZ * scale.z};
    centre = extent * 0.5;
    axes = extent * 0.46;
}

Vec3 FineSpace::clampInside(Vec3 fine, double margin) const {
    fine.x = std::clamp(fine.x, margin, std::max(margin, extent.x - scale.x - margin));
    fine.y = std::clamp(fine.y, margin, std::max(margin, extent.y - scale.y - margin));
    fine.z = std::clamp(fine.z, margin, std::max(margin, extent.z - scale.z - margin));
    return fine;
}

bool FineSpace::inside(const Vec3& fine, double margin) const {
    return fine.x >= margin && fine.y >= margin && fine.z >= margin &&
           fine.x <= extent.x - scale.x - margin && fine.y <= extent.y - scale.y - margin &&
           fine.z <= extent.z - scale.z - margin;
}

double FineSpace::liverShape(const Vec3& fine) const {
    const double dx = (fine.x - centre.x) / axes.x, dy = (fine.y - centre.y) / axes.y,
                 dz = (fine.z - centre.z) / axes.z;
    return dx * dx + dy * dy + dz * dz + 0.25 * dx * dy - 0.15 * dz * dx + 0.2 * dx * dx * dx;
}

}  // namespace angiolith::phantom
