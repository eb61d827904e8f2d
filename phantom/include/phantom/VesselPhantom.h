#ifndef ANGIOLITH_PHANTOM_VESSELPHANTOM_H
#define ANGIOLITH_PHANTOM_VESSELPHANTOM_H

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/tree/Vector3.h>

#include <cstddef>
#include <vector>

/// Deterministic synthetic vessel-tree phantoms for tests and benchmarks.
///
/// A tree grows from a root vessel that enters a liver-like tissue body: each vessel is a
/// smoothly curving tube whose end splits into two children whose radii follow Murray's law,
/// r^3 = r1^3 + r2^3 (C. D. Murray, "The physiological principle of minimum work: I. The
/// vascular system and the cost of blood volume", PNAS 12(3), 1926, pp. 207-214), down to the
/// minimum radius. Vessels keep a gap to each other (so the mask has no loops the tree does not
/// have) and stay inside the volume. Vessels of radius 2 and more give a tree-shaped mask
/// (Euler characteristic 1); thinner tubes may, like real segmentations, leave small
/// digitisation tunnels at their junctions. Optional surface bumps are short thin spurs, the kind
/// of noise a skeleton cleaner must remove.
///
/// Units. Centre-line positions are voxel coordinates (x, y, z). Radii and lengths are in
/// "fine voxels": units of the smallest spacing, so a vessel of radius r covers the voxels
/// whose physical distance to its centre line is at most r * min(spacingX, spacingY,
/// spacingZ). With unit spacing both are plain voxels.
namespace angiolith::phantom {

struct PhantomOptions {
    unsigned sizeX = 32, sizeY = 32, sizeZ = 32;
    float spacingX = 1, spacingY = 1, spacingZ = 1;
    unsigned seed = 1;
    float rootRadius = 2.5f;  ///< radius of the root vessel, in fine voxels
    float minRadius = 1;      ///< no vessel thinner than this is grown
    bool surfaceBumps = false;
    bool tissue = true;

    static PhantomOptions tiny();    ///< 32^3, root radius 2.5: unit tests, sanitizer builds
    static PhantomOptions small();   ///< 64^3, root radius 3.5
    static PhantomOptions medium();  ///< 256^3, root radius 6
    static PhantomOptions ct();      ///< 512 x 512 x 256, root radius 8
};

/// One centre-line sample: voxel coordinates and radius (fine voxels).
struct CentreLineSample {
    float x, y, z;
    float radius;
};

/// An unbranched vessel. The first sample of a child is the last sample position of its
/// parent (the bifurcation point).
struct PhantomVessel {
    std::vector<CentreLineSample> centreLine;
    int parent;  ///< index into Phantom::truth, -1 for the root
    std::vector<int> children;
};

/// A spur on a vessel surface: (x, y, z) is its tip in voxel coordinates, length how far it
/// reaches beyond the vessel surface (fine voxels).
struct Bump {
    float x, y, z;
    float length;
};

/// The nearest centre-line sample to a point and the distance to it.
struct NearestSample {
    const CentreLineSample* sample;  ///< null when the phantom has no vessel
    int vessel;                      ///< index into Phantom::truth
    float distance;                  ///< physical distance in fine voxels
};

class Phantom {
public:
    Phantom() = default;
    ~Phantom();
    Phantom(const Phantom&) = delete;
    Phantom& operator=(const Phantom&) = delete;
    Phantom(Phantom&& other) noexcept;
    Phantom& operator=(Phantom&& other) noexcept;

    /// Unsigned 8-bit, 0/1, dim 3; owned until taken over.
    lumoTeskDescriptor* vessels = nullptr;
    /// Unsigned 8-bit, 0/1, dim 3 (the tissue body, vessels included); null without tissue.
    lumoTeskDescriptor* tissue = nullptr;
    std::vector<PhantomVessel> truth;
    std::vector<Bump> bumps;
    Vector3<short> rootVoxel{0, 0, 0};  ///< the root's first centre-line voxel, inside the mask
    PhantomOptions options;

    /// Hands the vessel mask over; the caller frees it with lumoTeskFree.
    lumoTeskDescriptor* takeVessels();
    /// Hands the tissue mask over (null without tissue); the caller frees it.
    lumoTeskDescriptor* takeTissue();

    /// The centre-line sample nearest to voxel position (x, y, z), by physical distance.
    NearestSample nearestSample(float x, float y, float z) const;

    /// Rebuilds the lookup index of nearestSample after `truth` was changed by hand.
    void indexSamples();

private:
    struct SampleRef {
        int vessel;
        int sample;
    };
    float cellSize = 8;
    int cellsX = 0, cellsY = 0, cellsZ = 0;
    std::vector<std::vector<SampleRef>> cells;
};

/// A new phantom (deterministic for given options).
Phantom makePhantom(const PhantomOptions& options);

}  // namespace angiolith::phantom

#endif
