#ifndef ANGIOLITH_PHANTOM_VOXELISATION_H
#define ANGIOLITH_PHANTOM_VOXELISATION_H

#include "FineSpace.h"
#include "Geometry.h"
#include "VesselGrowth.h"
#include "phantom/VesselPhantom.h"

#include <vector>

namespace angiolith::phantom {

/// A new zero-filled unsigned 8-bit 3-D mask of the options' extents. Caller frees.
lumoTeskDescriptor* newMask(const PhantomOptions& options);

/// Paints vessels into a mask: each centre-line sample as a ball of its radius, and optionally
/// surface bumps.
class VesselVoxeliser {
public:
    /// Paints into @p mask (borrowed, of the options' extents).
    VesselVoxeliser(const FineSpace& space, const PhantomOptions& options,
                    lumoTeskDescriptor* mask);

    void paintVessel(const PhantomVessel& vessel);

    /// Adds short thin spurs on the surfaces of @p vessels, clear of the bifurcations and of
    /// the other vessels (@p proximity), with directions and lengths from @p random. Returns
    /// the spurs painted.
    std::vector<Bump> paintBumps(const std::vector<PhantomVessel>& vessels,
                                 const ProximityGrid& proximity, Random& random);

private:
    void setVoxel(long x, long y, long z);
    void paintBall(const Vec3& centre, double radius);

    const FineSpace& space;
    const PhantomOptions& options;
    unsigned char* voxels;
};

}  // namespace angiolith::phantom

#endif
