#include "territory/CellCandidateCache.h"

#include <ANN/ANN.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace angiolith::detail {

namespace {

// Cell edge in units of the smallest step between consecutive queries: 4 gives up to 64 voxels of
// a raster scan per prepared cell, against a candidate shell that is still thin.
constexpr double kStepsPerCell = 4.0;
// Consecutive non-zero query steps watched before the cell size is fixed.
constexpr int kStepsToLearn = 8;
// A cell with more candidates than this is left to the k-d tree search per query.
constexpr int kMaxCandidates = 160;
// Bounds of the cache; when one is reached the cache starts afresh (a raster scan needs about one
// slab of cells at a time).
constexpr std::size_t kSlotBits = 16;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
constexpr std::size_t kMaxCells = kSlots / 2;
constexpr std::size_t kMaxCoordinates = std::size_t{1} << 22;
// Cell coordinates are packed in 21 bits each.
constexpr double kCellRange = 1 << 20;
constexpr std::uint64_t kNoKey = std::numeric_limits<std::uint64_t>::max();
// Relative widening of the cell's half-diagonal: covers rounding in the cell assignment and in the
// k-d tree's incremental box distances by a wide margin.
constexpr double kRadiusMargin = 1.01;

}  // namespace

CellCandidateCache::CellCandidateCache()
    : tree(nullptr),
      points(nullptr),
      cellSize(0.0),
      inverseCellSize(0.0),
      previous{0.0, 0.0, 0.0},
      hasPrevious(false),
      stepsSeen(0),
      smallestStep(0.0),
      lastKey(kNoKey),
      lastCell(-1),
      pendingKey(kNoKey) {}

void CellCandidateCache::reset(ANNkd_tree* theTree, double** thePoints) {
    tree = theTree;
    points = thePoints;
    cellSize = 0.0;
    inverseCellSize = 0.0;
    hasPrevious = false;
    stepsSeen = 0;
    smallestStep = 0.0;
    slotKeys.assign(kSlots, kNoKey);
    slotCells.assign(kSlots, -1);
    clear();
}

void CellCandidateCache::clear() {
    std::fill(slotKeys.begin(), slotKeys.end(), kNoKey);
    cells.clear();
    coordinates.clear();
    indices.clear();
    lastKey = kNoKey;
    lastCell = -1;
    pendingKey = kNoKey;
}

bool CellCandidateCache::learnCellSize(const double* q) {
    if (hasPrevious) {
        const double step = std::max({std::fabs(q[0] - previous[0]), std::fabs(q[1] - previous[1]),
                                      std::fabs(q[2] - previous[2])});
        if (step > 0.0 && std::isfinite(step)) {
            smallestStep = stepsSeen == 0 ? step : std::min(smallestStep, step);
            ++stepsSeen;
        }
    }
    previous[0] = q[0];
    previous[1] = q[1];
    previous[2] = q[2];
    hasPrevious = true;
    if (stepsSeen < kStepsToLearn) return false;
    const double size = kStepsPerCell * smallestStep;
    if (!std::isfinite(size) || !std::isfinite(1.0 / size)) return false;
    cellSize = size;
    inverseCellSize = 1.0 / size;
    return true;
}

int CellCandidateCache::lookUp(std::uint64_t key) const {
    std::size_t slot = (key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits);
    while (slotKeys[slot] != kNoKey) {
        if (slotKeys[slot] == key) return slotCells[slot];
        slot = (slot + 1) & (kSlots - 1);
    }
    return -1;
}

int CellCandidateCache::prepare(std::uint64_t key, const double* cellCentre) {
    if (cells.size() >= kMaxCells || coordinates.size() + 3 * kMaxCandidates > kMaxCoordinates) {
        clear();
    }
    double centre[3] = {cellCentre[0], cellCentre[1], cellCentre[2]};
    int nearest = 0;
    double nearestSquared = 0.0;
    tree->annkSearch(centre, 1, &nearest, &nearestSquared, 0.0);
    const double rho = 0.5 * std::sqrt(3.0) * cellSize * kRadiusMargin;
    const double radius = std::sqrt(nearestSquared) + 2.0 * rho;
    const double squaredRadius = radius * radius;
    const int count = tree->annkFRSearch(centre, squaredRadius, 0, nullptr, nullptr, 0.0);

    Cell cell{coordinates.size(), -1};
    if (count > 0 && count <= kMaxCandidates) {
        if (searchIndices.size() < static_cast<std::size_t>(count)) {
            searchIndices.resize(count);
            searchDistances.resize(count);
        }
        tree->annkFRSearch(centre, squaredRadius, count, searchIndices.data(),
                           searchDistances.data(), 0.0);
        // In sample order, so that the first of equally near candidates is the earliest sample.
        std::sort(searchIndices.begin(), searchIndices.begin() + count);
        for (int axis = 0; axis < 3; ++axis) {
            for (int i = 0; i < count; ++i) coordinates.push_back(points[searchIndices[i]][axis]);
        }
        indices.insert(indices.end(), searchIndices.begin(), searchIndices.begin() + count);
        cell.count = count;
    }
    const int id = static_cast<int>(cells.size());
    cells.push_back(cell);
    std::size_t slot = (key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits);
    while (slotKeys[slot] != kNoKey) slot = (slot + 1) & (kSlots - 1);
    slotKeys[slot] = key;
    slotCells[slot] = id;
    return id;
}

bool CellCandidateCache::find(const double* q, int& index, double& squaredDistance) {
    if (cellSize == 0.0 && !learnCellSize(q)) return false;
    // A query that rounds into a neighbouring cell is still within the widened half-diagonal.
    const double fx = std::floor(q[0] * inverseCellSize);
    const double fy = std::floor(q[1] * inverseCellSize);
    const double fz = std::floor(q[2] * inverseCellSize);
    if (!(std::fabs(fx) < kCellRange && std::fabs(fy) < kCellRange && std::fabs(fz) < kCellRange)) {
        return false;
    }
    const auto pack = [](double f) { return static_cast<std::uint64_t>(f + kCellRange); };
    const std::uint64_t key = (pack(fx) << 42) | (pack(fy) << 21) | pack(fz);
    int cellId = lastCell;
    if (key != lastKey) {
        cellId = lookUp(key);
        if (cellId < 0) {
            // Prepare a cell only when a second consecutive query lands in it.
            if (key != pendingKey) {
                pendingKey = key;
                return false;
            }
            const double centre[3] = {(fx + 0.5) * cellSize, (fy + 0.5) * cellSize,
                                      (fz + 0.5) * cellSize};
            cellId = prepare(key, centre);
        }
        lastKey = key;
        lastCell = cellId;
    }
    const Cell& cell = cells[cellId];
    if (cell.count < 0) return false;

    const int count = cell.count;
    const double* xs = coordinates.data() + cell.offset;
    const double* ys = xs + count;
    const double* zs = ys + count;
    // Summed as the k-d tree sums: ((dx^2) + dy^2) + dz^2, so that ties are decided alike.
    double best = std::numeric_limits<double>::infinity();
    int bestCandidate = 0;
    for (int i = 0; i < count; ++i) {
        const double dx = q[0] - xs[i];
        const double dy = q[1] - ys[i];
        const double dz = q[2] - zs[i];
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < best) {
            best = d;
            bestCandidate = i;
        }
    }
    index = indices[cell.offset / 3 + bestCandidate];
    squaredDistance = best;
    return true;
}

}  // namespace angiolith::detail
