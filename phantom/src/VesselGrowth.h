#ifndef ANGIOLITH_PHANTOM_VESSELGROWTH_H
#define ANGIOLITH_PHANTOM_VESSELGROWTH_H

#include "FineSpace.h"
#include "Geometry.h"
#include "phantom/VesselPhantom.h"

#include <vector>

namespace angiolith::phantom {

/// A grid of cells in fine space listing the centre-line samples inside each, to find the
/// vessels near a point quickly.
class ProximityGrid {
public:
    /// Over the samples of @p vessels (borrowed), none of radius above @p maxRadius.
    ProximityGrid(const FineSpace& space, const std::vector<PhantomVessel>& vessels,
                  double maxRadius);

    /// Enters sample @p sample of vessel @p vessel.
    void add(int vessel, int sample);
    /// Enters every sample again, after the vessels were renumbered.
    void rebuild();

    /// Would a sample of radius @p radius at @p fine come closer than the required gap to a
    /// vessel other than @p self? Where @p parent and @p sibling meet it at the bifurcation
    /// point @p branchPoint (both samples within @p exempt of it), they overlap by design.
    bool collides(const Vec3& fine, double radius, int self, int parent, int sibling,
                  const Vec3& branchPoint, double exempt) const;

    /// Gap kept between the surfaces of two vessels (fine voxels).
    static constexpr double kGap = 2.5;

private:
    static constexpr double kCell = 8;

    struct SampleRef {
        int vessel, sample;
    };

    int cellOf(double coordinate, int cells) const;

    const FineSpace& space;
    const std::vector<PhantomVessel>& vessels;
    double maxRadius;
    int cellsX = 1, cellsY = 1, cellsZ = 1;
    std::vector<std::vector<SampleRef>> cells;
};

/// Grows the vessel tree into a phantom's `truth`: from the root vessel, each vessel is a smoothly
/// curving tube whose end splits into two children by Murray's law, down to the minimum radius,
/// keeping its gap to the other vessels and staying inside the volume.
class VesselGrowth {
public:
    /// Grows into @p vessels (borrowed, empty) with numbers drawn from @p random (borrowed).
    VesselGrowth(const FineSpace& space, const PhantomOptions& options, Random& random,
                 std::vector<PhantomVessel>& vessels);

    /// Grows the whole tree, then joins every vessel with a single child to that child.
    void run();

    /// The samples of the grown tree, for keeping further structures clear of it.
    const ProximityGrid& proximity() const { return grid; }

    /// Distance between successive centre-line samples (fine voxels).
    static constexpr double kStep = 0.5;

private:
    static constexpr int kRetries = 6;

    /// A vessel still to grow: where and in which direction it starts, its radius, the indices
    /// of its parent and its sibling (-1 without one, -2 for a sibling not yet grown), and how
    /// often it was tried in another direction.
    struct Task {
        Vec3 start, direction;
        double radius;
        int parent, sibling;
        int retries;
    };

    void growVessel(const Task& task, std::vector<Task>& tasks);
    void joinSingleChildren();

    const FineSpace& space;
    const PhantomOptions& options;
    Random& random;
    std::vector<PhantomVessel>& vessels;
    ProximityGrid grid;
    /// Shorter vessels in small volumes, so that even the tiny phantom branches.
    double lengthScale;
};

}  // namespace angiolith::phantom

#endif
