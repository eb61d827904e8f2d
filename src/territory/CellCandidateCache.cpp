#include "territory/CellCandidateCache.h"

#include "territory/AnnSearchLock.h"

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
constexpr int kMaxCandidates = 1024;
// Bounds of the cache; when one is reached the cache starts afresh (a raster scan needs about one
// slab of cells at a time).
constexpr std::size_t kSlotBits = 17;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
constexpr std::size_t kMaxCells = kSlots / 2;
constexpr std::size_t kMaxCoordinates = std::size_t{1} << 24;
// Cell coordinates are packed in 21 bits each.
constexpr double kCellRange = 1 << 20;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kNoKey = std::numeric_limits<std::uint64_t>::max();
// Relative widening of the cell's half-diagonal: covers rounding in the cell assignment and in the
// k-d tree's incremental box distances by a wide margin.
constexpr double kRadiusMargin = 1.01;
// Relative widening of the early-stop distance of a query's scan; covers the float rounding of
// the candidates' distances from the centre (about 6e-8) many times over.
constexpr double kReachMargin = 1.0 + 1e-6;

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
      lastIndex{kNaN, kNaN, kNaN} {}

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
    lastIndex[0] = lastIndex[1] = lastIndex[2] = kNaN;
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
    if (cells.size() >= kMaxCells || coordinates.size() + 4 * kMaxCandidates > kMaxCoordinates) {
        clear();
    }
    double centre[3] = {cellCentre[0], cellCentre[1], cellCentre[2]};
    int nearest = 0;
    double nearestSquared = 0.0;
    // Both searches under one hold of the lock: ANN keeps its search state in globals.
    const AnnSearchLock lock;
    touchAnnState();
    tree->annkSearch(centre, 1, &nearest, &nearestSquared, 0.0);
    const double rho = 0.5 * std::sqrt(3.0) * cellSize * kRadiusMargin;
    const double radius = std::sqrt(nearestSquared) + 2.0 * rho;
    const double squaredRadius = radius * radius;
    if (searchIndices.size() < static_cast<std::size_t>(kMaxCandidates)) {
        searchIndices.resize(kMaxCandidates);
        searchDistances.resize(kMaxCandidates);
    }
    // One search both counts the samples in the ball and, when they are few enough, lists them.
    touchAnnState();
    const int count = tree->annkFRSearch(centre, squaredRadius, kMaxCandidates,
                                         searchIndices.data(), searchDistances.data(), 0.0);
    Cell cell{coordinates.size(), -1, {centre[0], centre[1], centre[2]}};
    // The search lists the samples by distance from the centre, the order that lets a query stop
    // early; a cell whose list were not in that order is declined rather than trusted.
    if (count > 0 && count <= kMaxCandidates &&
        std::is_sorted(searchDistances.begin(), searchDistances.begin() + count)) {
        for (int axis = 0; axis < 3; ++axis) {
            // Exact: the points are floats widened to double.
            for (int i = 0; i < count; ++i) {
                coordinates.push_back(static_cast<float>(points[searchIndices[i]][axis]));
            }
        }
        for (int i = 0; i < count; ++i) {
            coordinates.push_back(static_cast<float>(std::sqrt(searchDistances[i])));
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
        // A cell is prepared only when the query before came from it or from a cell next to it,
        // as in a scan; scattered queries go to the tree search directly.
        const bool near = std::fabs(fx - lastIndex[0]) <= 1.0 &&
                          std::fabs(fy - lastIndex[1]) <= 1.0 &&
                          std::fabs(fz - lastIndex[2]) <= 1.0;
        lastIndex[0] = fx;
        lastIndex[1] = fy;
        lastIndex[2] = fz;
        cellId = lookUp(key);
        if (cellId < 0) {
            if (!near) return false;
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
    const float* xs = coordinates.data() + cell.offset;
    const float* ys = xs + count;
    const float* zs = ys + count;
    const float* reach = zs + count;
    const int* sample = indices.data() + cell.offset / 4;
    const double cx = q[0] - cell.centre[0];
    const double cy = q[1] - cell.centre[1];
    const double cz = q[2] - cell.centre[2];
    const double offCentre = std::sqrt(cx * cx + cy * cy + cz * cz);
    // A candidate at distance r from the centre lies at least r - offCentre from the query, so
    // once r exceeds the best distance plus offCentre (widened far beyond rounding, reach being a
    // float), no later candidate can be nearer or tied.
    double best = std::numeric_limits<double>::infinity();
    int bestSample = std::numeric_limits<int>::max();
    double limit = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count && reach[i] <= limit; ++i) {
        // Summed as the k-d tree sums: ((dx^2) + dy^2) + dz^2, so that ties are decided alike.
        const double dx = q[0] - static_cast<double>(xs[i]);
        const double dy = q[1] - static_cast<double>(ys[i]);
        const double dz = q[2] - static_cast<double>(zs[i]);
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < best || (d == best && sample[i] < bestSample)) {
            best = d;
            bestSample = sample[i];
            limit = (std::sqrt(best) + offCentre) * kReachMargin + kReachMargin * cellSize;
        }
    }
    index = bestSample;
    squaredDistance = best;
    return true;
}

}  // namespace angiolith::detail
