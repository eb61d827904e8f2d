#ifndef ANGIOLITH_SRC_TERRITORY_GRIDNEARESTSAMPLE_H
#define ANGIOLITH_SRC_TERRITORY_GRIDNEARESTSAMPLE_H

#include <angiolith/tree/Vessel.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace angiolith::detail {

/// A voxel grid in world coordinates: the world position of voxel (i, j, k) is
/// (i * spacing[0] + origin[0], j * spacing[1] + origin[1], k * spacing[2] + origin[2]), each
/// coordinate computed in single precision.
struct VoxelGrid {
    unsigned size[3];
    float spacing[3];
    float origin[3];
};

/// The nearest centre-line sample of every tissue voxel when every sample lies exactly on a voxel
/// of the tissue grid, by an exact Euclidean feature transform over the grid in time linear in
/// the voxels: the separable transform of C. R. Maurer, R. Qi and V. Raghavan, "A linear time
/// algorithm for computing exact Euclidean distance transforms of binary images in arbitrary
/// dimensions", IEEE TPAMI 25(2), 2003, pp. 265-270, with each line's lower envelope of parabolas
/// built as in P. F. Felzenszwalb and D. P. Huttenlocher, "Distance transforms of sampled
/// functions", Theory of Computing 8, 2012, pp. 415-428. Spacing may differ per axis.
///
/// The answer is the one of an exhaustive search: squared distances in double precision, summed
/// x, then y, then z (((dx^2) + dy^2) + dz^2) from the float world positions, the smallest
/// winning and, among equal ones, the sample earliest in the list. The passes run in that same
/// order (x, then y, then z), each on the partial sum the exhaustive search forms at that point,
/// and every comparison orders (partial sum, sample index); along a line the envelope is only a
/// guide to the few candidates worth evaluating, each candidate near a voxel being evaluated with
/// the exact expression. The partial minimum of a pass can differ from the exhaustive search's
/// choice only if two different partial sums of one voxel came within one rounding unit of the
/// final sum of each other without being equal; for samples and voxels on one grid the partial
/// sums of different samples are either equal or differ by far more (their coordinates are
/// float grid positions), which the tests on tie-built lattices confirm against an exhaustive
/// search.
class GridNearestSample {
public:
    /// Places the samples of @p samples (borrowed, read now) on @p grid. False when a sample does
    /// not lie exactly at the world position of a voxel inside the grid, or the grid's positions
    /// do not strictly increase along an axis; the object is then unusable.
    bool place(const VesselElementList& samples, const VoxelGrid& grid);

    /// For every voxel of @p tissue (x fastest, the grid's extents) whose value is not
    /// @p background: the low 16 bits of the nearest sample's vessel id into @p ids and, when
    /// @p distances is not null, the distance into @p distances (float of the double square root).
    /// Other voxels are left as they are in @p ids and set to 0 in @p distances; both must come in
    /// zero-filled. @p distances serves as scratch on the way. Runs on @p threads threads (the
    /// caller's included); the result is the same for every number.
    void assign(const unsigned char* tissue, unsigned char background, unsigned short* ids,
                float* distances, unsigned threads) const;

private:
    struct Entry {
        int x, y, z;
        int sample;
    };
    struct Row {
        int y;
        std::size_t first, last;  // entries [first, last), ascending x
    };
    struct Plane {
        int z;
        std::size_t firstRow, lastRow;
    };
    struct Position {
        double x, y, z;
    };
    struct Box {
        int lo[3], hi[3];  // inclusive
    };
    class Scratch;

    bool tissueBox(const unsigned char* tissue, unsigned char background, Box& box,
                   std::vector<unsigned char>& footprint, unsigned threads) const;
    void nearestInPlane(const Plane& plane, const Box& box,
                        const std::vector<unsigned char>& footprint, Scratch& scratch) const;
    void nearestInSlab(int y, const Box& box, const std::vector<unsigned char>& footprint,
                       const unsigned char* tissue, unsigned char background, unsigned short* ids,
                       float* distances, const Scratch& scratch) const;

    VoxelGrid grid{};
    std::vector<double> coordinates[3];
    double tolerance[3] = {0, 0, 0};
    std::vector<Entry> entries;  // one per occupied voxel, the earliest sample; by z, y, x
    std::vector<Row> rows;       // by z, then y
    std::vector<Plane> planes;   // planes holding samples, ascending z
    std::vector<Position> samplePosition;  // per sample index: its world position
    std::vector<unsigned short> vesselIds;
};

}  // namespace angiolith::detail

#endif
