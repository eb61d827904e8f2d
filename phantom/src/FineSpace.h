#ifndef ANGIOLITH_PHANTOM_FINESPACE_H
#define ANGIOLITH_PHANTOM_FINESPACE_H

#include "Geometry.h"
#include "phantom/VesselPhantom.h"

namespace angiolith::phantom {

/// The space the phantom is grown in: voxel index times spacing divided by the smallest
/// spacing, so that one unit is one fine voxel on every axis and lengths are isotropic. Also
/// the shape of the liver-like body, a deformed ellipsoid centred in the volume.
class FineSpace {
public:
    explicit FineSpace(const PhantomOptions& options);

    Vec3 toVoxel(const Vec3& fine) const {
        return {fine.x / scale.x, fine.y / scale.y, fine.z / scale.z};
    }
    Vec3 toFine(const CentreLineSample& s) const {
        return {s.x * scale.x, s.y * scale.y, s.z * scale.z};
    }
    /// @p fine moved inside the volume, @p margin away from its faces where there is room.
    Vec3 clampInside(Vec3 fine, double margin) const;
    /// Whether @p fine lies inside the volume and at least @p margin away from its faces.
    bool inside(const Vec3& fine, double margin) const;
    /// The liver body's shape function: below 1 inside the body.
    double liverShape(const Vec3& fine) const;

    /// Fine voxels per voxel along x, y and z.
    Vec3 scale{1, 1, 1};
    /// The volume's extent, its centre, and the liver body's half axes.
    Vec3 extent{0, 0, 0}, centre{0, 0, 0}, axes{1, 1, 1};
};

}  // namespace angiolith::phantom

#endif
