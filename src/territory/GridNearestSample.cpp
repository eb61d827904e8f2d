#include "territory/GridNearestSample.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace angiolith::detail {

namespace {

constexpr int kNone = -1;

// A parabola of one line: value base + (q - position)^2 at coordinate q, for a sample.
struct Candidate {
    double position;
    double base;
    int sample;
};

// The value the exhaustive search forms: the partial sum so far plus the square of this axis's
// difference, in double precision, query minus sample.
inline double valueAt(const Candidate& c, double q) {
    const double t = q - c.position;
    return c.base + t * t;
}

// (value, sample) in lexicographic order: the nearer, and among equally near the earlier sample.
inline bool better(double value, int sample, double bestValue, int bestSample) {
    return value < bestValue || (value == bestValue && sample < bestSample);
}

// The lower envelope of the parabolas of one line (Felzenszwalb and Huttenlocher's algorithm),
// then evaluated at ascending coordinates. A parabola is dropped only when it lies above the
// envelope everywhere by more than the tolerance, so every parabola that is lowest or tied at a
// voxel stays, and each voxel evaluates the few parabolas whose range comes within the tolerance
// of it with the exact expression.
class Envelope {
public:
    void build(const Candidate* candidates, int count, double tolerance) {
        c = candidates;
        tol = tolerance;
        order.resize(static_cast<std::size_t>(count) + 1);
        numerators.resize(static_cast<std::size_t>(count) + 1);
        denominators.resize(static_cast<std::size_t>(count) + 1);
        bounds.resize(static_cast<std::size_t>(count) + 2);
        top = -1;
        cursor = 0;
        if (count == 0) return;
        top = 0;
        order[0] = 0;
        // Each start is kept as a fraction (positive denominator) and compared by cross
        // multiplication: no division on the chain of dependent comparisons.
        for (int q = 1; q < count; ++q) {
            double num = 0.0, den = 0.0;
            intersection(order[top], q, num, den);
            while (top > 0 &&
                   num * denominators[top] < (numerators[top] - tol * denominators[top]) * den) {
                --top;
                intersection(order[top], q, num, den);
            }
            ++top;
            order[top] = q;
            numerators[top] = num;
            denominators[top] = den;
        }
        constexpr double kInf = std::numeric_limits<double>::infinity();
        bounds[0] = -kInf;
        for (int k = 1; k <= top; ++k) bounds[k] = numerators[k] / denominators[k];
        bounds[top + 1] = kInf;
    }

    // The best candidate at coordinate q (ascending from call to call), or kNone.
    int evaluate(double q, double& value) {
        if (top < 0) return kNone;
        while (cursor < top && bounds[cursor + 1] < q - tol) ++cursor;
        int best = kNone;
        double bestValue = 0.0;
        for (int k = cursor; k <= top && bounds[k] <= q + tol; ++k) {
            const Candidate& candidate = c[order[k]];
            const double v = valueAt(candidate, q);
            if (best == kNone || better(v, candidate.sample, bestValue, c[best].sample)) {
                best = order[k];
                bestValue = v;
            }
        }
        value = bestValue;
        return best == kNone ? kNone : c[best].sample;
    }

private:
    // Where parabola q (the later, larger position) starts lying below parabola p, as
    // num / den with den > 0.
    void intersection(int p, int q, double& num, double& den) const {
        const Candidate& a = c[p];
        const Candidate& b = c[q];
        num = (b.base + b.position * b.position) - (a.base + a.position * a.position);
        den = 2.0 * (b.position - a.position);
    }

    const Candidate* c = nullptr;
    double tol = 0.0;
    std::vector<int> order;
    std::vector<double> numerators;
    std::vector<double> denominators;
    std::vector<double> bounds;
    int top = -1;
    int cursor = 0;
};

}  // namespace

// Where the first pass leaves, per plane holding samples, the nearest sample of every voxel of
// the tissue box in that plane: inside the distance buffer itself when there is one (each slab
// of the second pass reads its own rows before it writes them), otherwise in a buffer of its own.
class GridNearestSample::Scratch {
public:
    Scratch(float* distances, const VoxelGrid& grid, const Box& box, std::size_t planes) {
        if (distances != nullptr) {
            base = reinterpret_cast<unsigned char*>(distances);
            rowStride = grid.size[0];
            planeStride = static_cast<std::size_t>(grid.size[0]) * grid.size[1];
            inPlace = true;
        } else {
            xOffset = box.lo[0];
            yOffset = box.lo[1];
            rowStride = static_cast<std::size_t>(box.hi[0] - box.lo[0] + 1);
            planeStride = rowStride * static_cast<std::size_t>(box.hi[1] - box.lo[1] + 1);
            own.resize(planeStride * planes);
            base = reinterpret_cast<unsigned char*>(own.data());
        }
    }

    // Row y of plane (slot, z), from column box.lo[0] on.
    unsigned char* row(std::size_t slot, int z, int y, int x) const {
        const std::size_t plane = inPlace ? static_cast<std::size_t>(z) : slot;
        return base + sizeof(std::int32_t) *
                          (plane * planeStride + static_cast<std::size_t>(y - yOffset) * rowStride +
                           static_cast<std::size_t>(x - xOffset));
    }

    bool inPlace = false;

private:
    unsigned char* base = nullptr;
    std::size_t rowStride = 0;
    std::size_t planeStride = 0;
    int xOffset = 0;
    int yOffset = 0;
    std::vector<std::int32_t> own;
};

bool GridNearestSample::place(const VesselElementList& samples, const VoxelGrid& theGrid) {
    grid = theGrid;
    for (int axis = 0; axis < 3; ++axis) {
        const unsigned n = grid.size[axis];
        if (n == 0 || n > static_cast<unsigned>(std::numeric_limits<int>::max() / 2)) return false;
        auto& coordinate = coordinates[axis];
        coordinate.resize(n);
        double smallestStep = std::numeric_limits<double>::infinity();
        for (unsigned i = 0; i < n; ++i) {
            // The very expression the classifier forms a voxel's world position with.
            const float world = static_cast<float>(i) * grid.spacing[axis] + grid.origin[axis];
            if (!std::isfinite(world)) return false;
            coordinate[i] = world;
            if (i > 0) {
                const double step = coordinate[i] - coordinate[i - 1];
                if (!(step > 0.0)) return false;
                smallestStep = std::min(smallestStep, step);
            }
        }
        // Far below any voxel step, far above the rounding of an envelope intersection.
        tolerance[axis] = std::isfinite(smallestStep) ? 1e-4 * smallestStep : 1.0;
    }

    const std::size_t count = samples.size();
    if (count == 0 || count > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    entries.clear();
    entries.reserve(count);
    vesselIds.resize(count);
    samplePosition.resize(count);
    int index = 0;
    for (const VesselElementID& sample : samples) {
        const float position[3] = {sample.position.x, sample.position.y, sample.position.z};
        int voxel[3];
        for (int axis = 0; axis < 3; ++axis) {
            if (!std::isfinite(position[axis])) return false;
            const double estimate = std::nearbyint(
                (static_cast<double>(position[axis]) - grid.origin[axis]) / grid.spacing[axis]);
            voxel[axis] = kNone;
            for (double i = estimate - 1; i <= estimate + 1; ++i) {
                if (i < 0 || i >= grid.size[axis]) continue;
                if (coordinates[axis][static_cast<std::size_t>(i)] == position[axis]) {
                    voxel[axis] = static_cast<int>(i);
                }
            }
            if (voxel[axis] == kNone) return false;
        }
        samplePosition[index] = {position[0], position[1], position[2]};
        vesselIds[index] = static_cast<unsigned short>(sample.vesselId);
        entries.push_back({voxel[0], voxel[1], voxel[2], index});
        ++index;
    }
    // By z, y, x; on one voxel only the earliest sample can win, so only it is kept.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.z != b.z) return a.z < b.z;
        if (a.y != b.y) return a.y < b.y;
        if (a.x != b.x) return a.x < b.x;
        return a.sample < b.sample;
    });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) {
                                  return a.x == b.x && a.y == b.y && a.z == b.z;
                              }),
                  entries.end());
    rows.clear();
    planes.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (planes.empty() || planes.back().z != e.z) {
            planes.push_back({e.z, rows.size(), rows.size()});
        }
        if (rows.empty() || rows.back().y != e.y ||
            planes.back().lastRow == planes.back().firstRow) {
            rows.push_back({e.y, i, i});
            planes.back().lastRow = rows.size();
        }
        rows.back().last = i + 1;
    }
    return true;
}

bool GridNearestSample::tissueBox(const unsigned char* tissue, unsigned char background, Box& box,
                                  std::vector<unsigned char>& footprint, unsigned threads) const {
    const int nx = static_cast<int>(grid.size[0]);
    const int ny = static_cast<int>(grid.size[1]);
    const int nz = static_cast<int>(grid.size[2]);
    const std::size_t columns = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    const std::vector<unsigned char> empty(static_cast<std::size_t>(nx), background);
    // Plane by plane on the workers, each with its own box and footprint, merged afterwards.
    const unsigned workers = resolveThreads(threads, static_cast<std::size_t>(nz));
    std::vector<Box> boxes(workers);
    std::vector<std::vector<unsigned char>> footprints(workers);
    for (unsigned w = 0; w < workers; ++w) {
        for (int a = 0; a < 3; ++a) {
            boxes[w].lo[a] = std::numeric_limits<int>::max();
            boxes[w].hi[a] = -1;
        }
    }
    parallelChunks(workers, static_cast<std::size_t>(nz), [&](unsigned w, std::size_t plane) {
        const int z = static_cast<int>(plane);
        Box& b = boxes[w];
        std::vector<unsigned char>& marks = footprints[w];
        for (int y = 0; y < ny; ++y) {
            const unsigned char* row =
                tissue + (plane * static_cast<std::size_t>(ny) + static_cast<std::size_t>(y)) *
                             static_cast<std::size_t>(nx);
            if (std::memcmp(row, empty.data(), empty.size()) == 0) continue;
            if (marks.empty()) marks.assign(columns, 0);
            unsigned char* cells = marks.data() + static_cast<std::size_t>(y) * nx;
            for (int x = 0; x < nx; ++x) cells[x] |= row[x] != background;
            int first = 0;
            while (row[first] == background) ++first;
            int last = nx - 1;
            while (row[last] == background) --last;
            b.lo[0] = std::min(b.lo[0], first);
            b.hi[0] = std::max(b.hi[0], last);
            b.lo[1] = std::min(b.lo[1], y);
            b.hi[1] = std::max(b.hi[1], y);
            b.lo[2] = std::min(b.lo[2], z);
            b.hi[2] = std::max(b.hi[2], z);
        }
    });
    box = boxes[0];
    footprint.assign(columns, 0);
    for (unsigned w = 0; w < workers; ++w) {
        for (int a = 0; a < 3; ++a) {
            box.lo[a] = std::min(box.lo[a], boxes[w].lo[a]);
            box.hi[a] = std::max(box.hi[a], boxes[w].hi[a]);
        }
        if (footprints[w].empty()) continue;
        for (std::size_t i = 0; i < columns; ++i) footprint[i] |= footprints[w][i];
    }
    return box.hi[0] >= 0;
}

void GridNearestSample::assign(const unsigned char* tissue, unsigned char background,
                               unsigned short* ids, float* distances, unsigned threads) const {
    Box box{};
    // Which columns (x, y) hold tissue at any z: only those need the nearest sample per plane.
    std::vector<unsigned char> footprint;
    if (!tissueBox(tissue, background, box, footprint, threads)) return;
    Scratch scratch(distances, grid, box, planes.size());

    // First pass, plane by plane: nearest sample within the plane (x, then y).
    const unsigned planeWorkers = resolveThreads(threads, planes.size());
    parallelChunks(planeWorkers, planes.size(), [&](unsigned, std::size_t slot) {
        nearestInPlane(planes[slot], box, footprint, scratch);
    });
    // Second pass, slab by slab of constant y: nearest over the planes (z), and the results.
    const std::size_t slabs = static_cast<std::size_t>(box.hi[1] - box.lo[1] + 1);
    parallelChunks(resolveThreads(threads, slabs), slabs, [&](unsigned, std::size_t j) {
        nearestInSlab(box.lo[1] + static_cast<int>(j), box, footprint, tissue, background, ids,
                      distances, scratch);
    });
}

void GridNearestSample::nearestInPlane(const Plane& plane, const Box& box,
                                       const std::vector<unsigned char>& footprint,
                                       Scratch& scratch) const {
    const std::size_t slot = static_cast<std::size_t>(&plane - planes.data());
    const int width = box.hi[0] - box.lo[0] + 1;
    const int height = box.hi[1] - box.lo[1] + 1;
    const std::size_t rowCount = plane.lastRow - plane.firstRow;
    const std::vector<double>& xs = coordinates[0];
    const std::vector<double>& ys = coordinates[1];
    std::vector<std::size_t> cursor(rowCount);
    for (std::size_t r = 0; r < rowCount; ++r) cursor[r] = rows[plane.firstRow + r].first;
    std::vector<Candidate> candidates(rowCount);
    std::vector<std::int32_t> column(static_cast<std::size_t>(width) * height);
    Envelope envelope;
    for (int x = box.lo[0]; x <= box.hi[0]; ++x) {
        const double qx = xs[static_cast<std::size_t>(x)];
        // Per row, the nearest sample along x: the last one at or before x or the first after.
        for (std::size_t r = 0; r < rowCount; ++r) {
            const Row& row = rows[plane.firstRow + r];
            std::size_t& c = cursor[r];
            while (c + 1 < row.last && entries[c + 1].x <= x) ++c;
            const Entry& left = entries[c];
            const double tl = qx - xs[static_cast<std::size_t>(left.x)];
            double best = tl * tl;
            int sample = left.sample;
            if (left.x < x && c + 1 < row.last) {
                const Entry& right = entries[c + 1];
                const double tr = qx - xs[static_cast<std::size_t>(right.x)];
                if (better(tr * tr, right.sample, best, sample)) {
                    best = tr * tr;
                    sample = right.sample;
                }
            }
            candidates[r] = {ys[static_cast<std::size_t>(row.y)], best, sample};
        }
        envelope.build(candidates.data(), static_cast<int>(rowCount), tolerance[1]);
        std::int32_t* out = column.data() + static_cast<std::size_t>(x - box.lo[0]) * height;
        for (int y = box.lo[1]; y <= box.hi[1]; ++y) {
            double value = 0.0;
            const bool needed = footprint[static_cast<std::size_t>(y) * grid.size[0] +
                                          static_cast<std::size_t>(x)] != 0;
            out[y - box.lo[1]] =
                needed ? envelope.evaluate(ys[static_cast<std::size_t>(y)], value) : kNone;
        }
    }
    for (int y = box.lo[1]; y <= box.hi[1]; ++y) {
        unsigned char* row = scratch.row(slot, plane.z, y, box.lo[0]);
        for (int i = 0; i < width; ++i) {
            const std::int32_t sample =
                column[static_cast<std::size_t>(i) * height + (y - box.lo[1])];
            std::memcpy(row + sizeof(std::int32_t) * static_cast<std::size_t>(i), &sample,
                        sizeof sample);
        }
    }
}

void GridNearestSample::nearestInSlab(int y, const Box& box,
                                      const std::vector<unsigned char>& footprint,
                                      const unsigned char* tissue, unsigned char background,
                                      unsigned short* ids, float* distances,
                                      const Scratch& scratch) const {
    const int width = box.hi[0] - box.lo[0] + 1;
    const int depth = box.hi[2] - box.lo[2] + 1;
    const std::size_t planeCount = planes.size();
    const std::vector<double>& xs = coordinates[0];
    const std::vector<double>& ys = coordinates[1];
    const std::vector<double>& zs = coordinates[2];
    const double qy = ys[static_cast<std::size_t>(y)];

    // This slab's rows of the first pass, read before any of them is overwritten, column by
    // column (all planes of one x together).
    std::vector<std::int32_t> nearest(planeCount * static_cast<std::size_t>(width));
    for (std::size_t p = 0; p < planeCount; ++p) {
        const unsigned char* row = scratch.row(p, planes[p].z, y, box.lo[0]);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width); ++i) {
            std::memcpy(&nearest[i * planeCount + p], row + i * sizeof(std::int32_t),
                        sizeof(std::int32_t));
        }
    }
    std::vector<std::int32_t> winner(static_cast<std::size_t>(width) * depth, kNone);
    std::vector<Candidate> candidates;
    candidates.reserve(planeCount);
    Envelope envelope;
    for (int x = box.lo[0]; x <= box.hi[0]; ++x) {
        const std::size_t i = static_cast<std::size_t>(x - box.lo[0]);
        if (footprint[static_cast<std::size_t>(y) * grid.size[0] + static_cast<std::size_t>(x)] ==
            0) {
            continue;
        }
        const double qx = xs[static_cast<std::size_t>(x)];
        candidates.clear();
        const std::int32_t* column = nearest.data() + i * planeCount;
        for (std::size_t p = 0; p < planeCount; ++p) {
            const std::int32_t sample = column[p];
            if (sample == kNone) continue;
            const Position& at = samplePosition[static_cast<std::size_t>(sample)];
            const double tx = qx - at.x;
            const double ty = qy - at.y;
            candidates.push_back(
                {zs[static_cast<std::size_t>(planes[p].z)], tx * tx + ty * ty, sample});
        }
        envelope.build(candidates.data(), static_cast<int>(candidates.size()), tolerance[2]);
        // Only at the tissue voxels of the column.
        const unsigned char* voxel =
            tissue + static_cast<std::size_t>(y) * grid.size[0] + static_cast<std::size_t>(x);
        const std::size_t plane = static_cast<std::size_t>(grid.size[0]) * grid.size[1];
        for (int z = box.lo[2]; z <= box.hi[2]; ++z) {
            if (voxel[static_cast<std::size_t>(z) * plane] == background) continue;
            double value = 0.0;
            winner[static_cast<std::size_t>(z - box.lo[2]) * width + i] =
                envelope.evaluate(zs[static_cast<std::size_t>(z)], value);
        }
    }

    const std::size_t nx = grid.size[0];
    const std::size_t ny = grid.size[1];
    // Rows of the distance buffer used as scratch are cleared where no tissue is.
    if (scratch.inPlace) {
        for (const Plane& plane : planes) {
            if (plane.z >= box.lo[2] && plane.z <= box.hi[2]) continue;
            std::memset(distances + (static_cast<std::size_t>(plane.z) * ny + y) * nx + box.lo[0],
                        0, sizeof(float) * static_cast<std::size_t>(width));
        }
    }
    for (int z = box.lo[2]; z <= box.hi[2]; ++z) {
        const std::size_t row = (static_cast<std::size_t>(z) * ny + y) * nx;
        const double qz = zs[static_cast<std::size_t>(z)];
        const std::int32_t* wins = winner.data() + static_cast<std::size_t>(z - box.lo[2]) * width;
        for (int x = box.lo[0]; x <= box.hi[0]; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x);
            const std::int32_t sample = wins[x - box.lo[0]];
            if (tissue[at] == background || sample == kNone) {
                if (distances != nullptr) distances[at] = 0.0f;
                continue;
            }
            ids[at] = vesselIds[static_cast<std::size_t>(sample)];
            if (distances == nullptr) continue;
            const Position& p = samplePosition[static_cast<std::size_t>(sample)];
            const double tx = xs[static_cast<std::size_t>(x)] - p.x;
            const double ty = qy - p.y;
            const double tz = qz - p.z;
            distances[at] = static_cast<float>(std::sqrt(tx * tx + ty * ty + tz * tz));
        }
    }
}

}  // namespace angiolith::detail
