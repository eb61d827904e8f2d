#ifndef ANGIOLITH_SRC_TERRITORY_CELLCANDIDATECACHE_H
#define ANGIOLITH_SRC_TERRITORY_CELLCANDIDATECACHE_H

#include <cstddef>
#include <cstdint>
#include <vector>

class ANNkd_tree;

namespace angiolith::detail {

/// Exact nearest-sample answers for queries that come in spatially coherent order, such as the
/// voxels of a volume in raster order, with far fewer k-d tree searches.
///
/// Space is cut into cubic cells. For a cell with centre c and half-diagonal rho, let d1 be the
/// distance from c to its nearest sample. Every query q in the cell has a sample within
/// d1 + rho, while a sample farther than d1 + 2 rho from c lies farther than d1 + rho from q. So
/// the samples within d1 + 2 rho of c, found once by a fixed-radius search, contain the nearest
/// sample of every query in the cell and all samples tied with it; each query then scans only
/// these candidates (nearest to the centre first, stopping once no farther one can win), with the
/// squared distance summed exactly as the k-d tree sums it and ties going to the earliest sample.
/// The answer is therefore the same as that of an exhaustive search (nearest, and the earliest
/// sample among equally near ones), not an approximation. (This is the classic cell-candidate bound
/// of grid-based nearest-neighbour search, e.g. J. L. Bentley, B. W. Weide, A. C. Yao, "Optimal
/// expected-time algorithms for closest point problems", ACM TOMS 6(4), 1980.)
///
/// The cell size is four times the smallest step seen between consecutive queries (the voxel
/// spacing, for a raster scan). A cell is prepared only when the query before fell into it or a
/// neighbouring cell, and a cell with too many candidates is declined, so scattered queries and
/// awkward geometry fall back to the caller's k-d tree search at a small cost.
class CellCandidateCache {
public:
    CellCandidateCache();

    /// Forgets everything and binds the cache to @p tree over @p points (both borrowed), whose
    /// coordinates must be floats widened to double (they are stored back as floats).
    void reset(ANNkd_tree* tree, double** points);

    /// For the query @p q: true with the nearest sample's index and squared distance, or false
    /// when the caller is to search itself.
    bool find(const double* q, int& index, double& squaredDistance);

private:
    struct Cell {
        std::size_t offset;  // first value of the cell's candidates in `coordinates`
        int count;           // number of candidates, or -1 for a declined cell
        double centre[3];
    };

    bool learnCellSize(const double* q);
    int lookUp(std::uint64_t key) const;
    int prepare(std::uint64_t key, const double* centre);
    void clear();

    ANNkd_tree* tree;
    double** points;
    double cellSize;
    double inverseCellSize;
    double previous[3];
    bool hasPrevious;
    int stepsSeen;
    double smallestStep;
    std::uint64_t lastKey;
    int lastCell;
    double lastIndex[3];
    std::vector<std::uint64_t> slotKeys;
    std::vector<int> slotCells;
    std::vector<Cell> cells;
    // Candidates of every cell, nearest to the cell centre first: per cell a block of x, of y, of z
    // and of distances from the centre; `indices` holds the sample indices at a quarter of the
    // offset.
    std::vector<float> coordinates;
    std::vector<int> indices;
    std::vector<int> searchIndices;
    std::vector<double> searchDistances;
};

}  // namespace angiolith::detail

#endif
