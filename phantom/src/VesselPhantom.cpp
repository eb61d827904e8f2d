#include "phantom/VesselPhantom.h"

#include <angiolith/image/detail/ElementKinds.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <utility>

namespace angiolith::phantom {

namespace {

struct V3 {
    double x, y, z;
    V3 operator+(const V3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    V3 operator-(const V3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    V3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const V3& o) const { return x * o.x + y * o.y + z * o.z; }
    double norm() const { return std::sqrt(dot(*this)); }
    V3 normalized() const {
        const double n = norm();
        return n > 0 ? *this * (1.0 / n) : V3{1, 0, 0};
    }
    V3 cross(const V3& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
};

// Uniform numbers from a fixed generator with our own scaling, so that a seed gives the same
// phantom with every standard library.
class Rng {
public:
    explicit Rng(unsigned seed) : engine(seed) {}
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(engine() >> 8) / 16777216.0;
    }
    V3 unitVector() {
        for (;;) {
            const V3 v{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
            const double n = v.norm();
            if (n > 0.1 && n <= 1.0) return v * (1.0 / n);
        }
    }

private:
    std::mt19937 engine;
};

// A vector perpendicular to the unit vector d.
V3 perpendicular(const V3& d, Rng& rng) {
    for (;;) {
        const V3 c = d.cross(rng.unitVector());
        if (c.norm() > 0.2) return c.normalized();
    }
}

// Rotates unit vector d by angle a towards the perpendicular unit vector p.
V3 rotateTowards(const V3& d, const V3& p, double a) {
    return (d * std::cos(a) + p * std::sin(a)).normalized();
}

lumoTeskDescriptor* newMask(const PhantomOptions& o) {
    lumoTeskDescriptor* pic =
        angiolith::detail::makeZeroVolume<std::uint8_t>(o.sizeX, o.sizeY, o.sizeZ).release();
    if (pic == nullptr) std::abort();
    return pic;
}

// Grows the tree in "u space": voxel index times spacing divided by the smallest spacing, so
// that one unit is one fine voxel on every axis and lengths are isotropic.
class Grower {
public:
    explicit Grower(Phantom& phantom) : p(phantom), o(phantom.options), rng(phantom.options.seed) {
        minSpacing = std::min({o.spacingX, o.spacingY, o.spacingZ});
        k = {o.spacingX / minSpacing, o.spacingY / minSpacing, o.spacingZ / minSpacing};
        extent = {o.sizeX * k.x, o.sizeY * k.y, o.sizeZ * k.z};
        centre = extent * 0.5;
        axes = extent * 0.46;
        gridX = static_cast<int>(extent.x / kCell) + 1;
        gridY = static_cast<int>(extent.y / kCell) + 1;
        gridZ = static_cast<int>(extent.z / kCell) + 1;
        grid.assign(static_cast<std::size_t>(gridX) * gridY * gridZ, {});
        // Shorter vessels in small volumes, so that even the tiny phantom branches.
        lengthScale = std::clamp(std::min({extent.x, extent.y, extent.z}) / 128.0, 0.3, 1.0);
    }

    void run() {
        p.vessels = newMask(o);
        mask = static_cast<unsigned char*>(p.vessels->data);
        if (o.sizeX == 0 || o.sizeY == 0 || o.sizeZ == 0) return;
        const double r = o.rootRadius;
        V3 start{centre.x - 0.12 * extent.x, centre.y - 0.85 * axes.y, centre.z + 0.05 * extent.z};
        start = clampInside(start, r + 2.5);
        growTree(start, V3{0.25, 1.0, 0.1}.normalized(), r);
        joinSingleChildren();
        for (std::size_t v = 0; v < p.truth.size(); ++v) stampVessel(static_cast<int>(v));
        if (o.surfaceBumps) addBumps();
        if (!p.truth.empty()) {
            const CentreLineSample& s = p.truth[0].centreLine.front();
            p.rootVoxel = Vector3<short>{static_cast<short>(std::lround(s.x)),
                                         static_cast<short>(std::lround(s.y)),
                                         static_cast<short>(std::lround(s.z))};
        }
        if (o.tissue) makeTissue();
    }

private:
    static constexpr double kCell = 8;
    static constexpr double kStep = 0.5;
    static constexpr double kGap = 2.5;
    static constexpr int kRetries = 6;

    struct Task {
        V3 start, dir;
        double radius;
        int parent, sibling;
        int retries;
    };

    struct Ref {
        int vessel, sample;
    };

    V3 toVoxel(const V3& u) const { return {u.x / k.x, u.y / k.y, u.z / k.z}; }
    V3 toU(const CentreLineSample& s) const { return {s.x * k.x, s.y * k.y, s.z * k.z}; }

    V3 clampInside(V3 u, double margin) const {
        u.x = std::clamp(u.x, margin, std::max(margin, extent.x - k.x - margin));
        u.y = std::clamp(u.y, margin, std::max(margin, extent.y - k.y - margin));
        u.z = std::clamp(u.z, margin, std::max(margin, extent.z - k.z - margin));
        return u;
    }

    bool inside(const V3& u, double margin) const {
        return u.x >= margin && u.y >= margin && u.z >= margin && u.x <= extent.x - k.x - margin &&
               u.y <= extent.y - k.y - margin && u.z <= extent.z - k.z - margin;
    }

    // The liver-like body: a deformed ellipsoid, inside where the value is below 1.
    double liver(const V3& u) const {
        const double dx = (u.x - centre.x) / axes.x, dy = (u.y - centre.y) / axes.y,
                     dz = (u.z - centre.z) / axes.z;
        return dx * dx + dy * dy + dz * dz + 0.25 * dx * dy - 0.15 * dz * dx + 0.2 * dx * dx * dx;
    }

    int cellOf(double c, int cells) const {
        return std::clamp(static_cast<int>(c / kCell), 0, cells - 1);
    }

    void addToGrid(int vessel, int sample) {
        const V3 u = toU(p.truth[vessel].centreLine[sample]);
        const std::size_t cell =
            (static_cast<std::size_t>(cellOf(u.z, gridZ)) * gridY + cellOf(u.y, gridY)) * gridX +
            cellOf(u.x, gridX);
        grid[cell].push_back(Ref{vessel, sample});
    }

    // Would a sample of radius r at u come too close to a vessel other than its own? Where the
    // parent and the sibling meet it at the bifurcation point b (both samples near b), they
    // overlap by design.
    bool collides(const V3& u, double r, int self, int parent, int sibling, const V3& b,
                  double exempt) const {
        const double reach = r + o.rootRadius + kGap;
        const int span = static_cast<int>(std::ceil(reach / kCell));
        const int cx = cellOf(u.x, gridX), cy = cellOf(u.y, gridY), cz = cellOf(u.z, gridZ);
        for (int z = std::max(0, cz - span); z <= std::min(gridZ - 1, cz + span); ++z)
            for (int y = std::max(0, cy - span); y <= std::min(gridY - 1, cy + span); ++y)
                for (int x = std::max(0, cx - span); x <= std::min(gridX - 1, cx + span); ++x) {
                    const auto& cell = grid[(static_cast<std::size_t>(z) * gridY + y) * gridX + x];
                    for (const Ref& ref : cell) {
                        if (ref.vessel == self) continue;
                        const CentreLineSample& s = p.truth[ref.vessel].centreLine[ref.sample];
                        const V3 su = toU(s);
                        if ((ref.vessel == parent || ref.vessel == sibling) &&
                            (u - b).norm() < exempt && (su - b).norm() < exempt)
                            continue;
                        if ((su - u).norm() < r + s.radius + kGap) return true;
                    }
                }
        return false;
    }

    void growTree(const V3& start, const V3& dir, double radius) {
        std::vector<Task> tasks{Task{start, dir, radius, -1, -1, 0}};
        while (!tasks.empty()) {
            const Task t = tasks.back();
            tasks.pop_back();
            growVessel(t, tasks);
        }
    }

    void growVessel(const Task& t, std::vector<Task>& tasks) {
        const int self = static_cast<int>(p.truth.size());
        p.truth.push_back(PhantomVessel{{}, t.parent, {}});
        const double r = t.radius;
        const double parentRadius = t.parent >= 0 ? p.truth[t.parent].centreLine[0].radius : r;
        const double exempt = 2.0 * (parentRadius + kGap);
        const double length = lengthScale * (r * rng.uniform(5.0, 9.0) + 4.0);
        V3 pos = t.start, dir = t.dir, bend{0, 0, 0};
        auto push = [&](const V3& u) {
            const V3 v = toVoxel(u);
            p.truth[self].centreLine.push_back(
                CentreLineSample{static_cast<float>(v.x), static_cast<float>(v.y),
                                 static_cast<float>(v.z), static_cast<float>(r)});
        };
        push(pos);
        double grown = 0;
        bool blocked = false;
        while (grown < length) {
            // Straight while near the bifurcation, so that siblings part cleanly.
            bend = bend * 0.85 + rng.unitVector() * 0.15;
            if ((pos - t.start).norm() >= exempt) {
                dir = (dir + bend * 0.08).normalized();
                if (liver(pos) > 0.75) {
                    dir = (dir + (centre - pos).normalized() * 0.2).normalized();
                }
            }
            const V3 next = pos + dir * kStep;
            if (!inside(next, r + 2.0) ||
                collides(next, r, self, t.parent, t.sibling, t.start, exempt)) {
                blocked = true;
                break;
            }
            pos = next;
            grown += kStep;
            push(pos);
        }
        if (grown < r + 1.0) {
            // Too short to be a vessel of its own: dropped (it has no children yet) and tried
            // again in another direction, so that bifurcations keep two children.
            p.truth.pop_back();
            if (t.parent >= 0 && t.retries < kRetries) {
                Task again = t;
                again.dir = rotateTowards(t.dir, perpendicular(t.dir, rng), rng.uniform(0.3, 0.8));
                ++again.retries;
                tasks.push_back(again);
            }
            return;
        }
        for (int s = 0; s < static_cast<int>(p.truth[self].centreLine.size()); ++s) {
            addToGrid(self, s);
        }
        if (t.parent >= 0) p.truth[t.parent].children.push_back(self);
        if (blocked) return;

        // Murray's law: the smaller child takes the fraction f of r^3.
        const double f = rng.uniform(0.3, 0.5);
        const double small = r * std::cbrt(f), large = r * std::cbrt(1.0 - f);
        if (small < o.minRadius) return;
        const V3 side = perpendicular(dir, rng);
        const V3 largeDir = rotateTowards(dir, side, rng.uniform(0.15, 0.45));
        const V3 smallDir = rotateTowards(dir, side * -1.0, rng.uniform(0.6, 1.1));
        // The large child is grown next (tasks is a stack), so it gets the next index, which
        // the small child knows as its sibling.
        const int next = static_cast<int>(p.truth.size());
        tasks.push_back(Task{pos, smallDir, small, self, next, 0});
        tasks.push_back(Task{pos, largeDir, large, self, -2, 0});
    }

    // A bifurcation whose second child found no room leaves a vessel with one child; the two
    // are one unbranched vessel, so the child's samples are appended to the parent.
    void joinSingleChildren() {
        auto& t = p.truth;
        std::vector<bool> dropped(t.size(), false);
        for (std::size_t v = 0; v < t.size(); ++v) {
            if (dropped[v]) continue;
            while (t[v].children.size() == 1) {
                const int c = t[v].children[0];
                t[v].centreLine.insert(t[v].centreLine.end(), t[c].centreLine.begin() + 1,
                                       t[c].centreLine.end());
                t[v].children = t[c].children;
                for (int g : t[v].children) t[g].parent = static_cast<int>(v);
                dropped[c] = true;
            }
        }
        std::vector<int> index(t.size(), -1);
        std::vector<PhantomVessel> kept;
        for (std::size_t v = 0; v < t.size(); ++v) {
            if (dropped[v]) continue;
            index[v] = static_cast<int>(kept.size());
            kept.push_back(std::move(t[v]));
        }
        for (PhantomVessel& v : kept) {
            if (v.parent >= 0) v.parent = index[v.parent];
            for (int& c : v.children) c = index[c];
        }
        t = std::move(kept);
        // The collision grid refers to the old numbering.
        for (auto& cell : grid) cell.clear();
        for (int v = 0; v < static_cast<int>(t.size()); ++v) {
            for (int i = 0; i < static_cast<int>(t[v].centreLine.size()); ++i) addToGrid(v, i);
        }
    }

    void setVoxel(long x, long y, long z) {
        if (x < 0 || y < 0 || z < 0 || x >= o.sizeX || y >= o.sizeY || z >= o.sizeZ) return;
        mask[(static_cast<std::size_t>(z) * o.sizeY + static_cast<std::size_t>(y)) * o.sizeX +
             static_cast<std::size_t>(x)] = 1;
    }

    // Every voxel whose centre lies within r (u units) of u, and the voxel nearest to u, so
    // that thin vessels stay connected under anisotropic spacing. Balls thinner than 2 are
    // centred on the nearest voxel: digital balls around arbitrary points leave small tunnels
    // in thin tubes, symmetric ones around voxel centres do not.
    void stampBall(V3 u, double r) {
        const long cx = std::lround(u.x / k.x), cy = std::lround(u.y / k.y),
                   cz = std::lround(u.z / k.z);
        setVoxel(cx, cy, cz);
        const long x0 = static_cast<long>(std::ceil((u.x - r) / k.x)),
                   x1 = static_cast<long>(std::floor((u.x + r) / k.x));
        const long y0 = static_cast<long>(std::ceil((u.y - r) / k.y)),
                   y1 = static_cast<long>(std::floor((u.y + r) / k.y));
        const long z0 = static_cast<long>(std::ceil((u.z - r) / k.z)),
                   z1 = static_cast<long>(std::floor((u.z + r) / k.z));
        const double r2 = r * r;
        for (long z = z0; z <= z1; ++z) {
            const double dz = z * k.z - u.z;
            for (long y = y0; y <= y1; ++y) {
                const double dy = y * k.y - u.y;
                const double rest = r2 - dz * dz - dy * dy;
                if (rest < 0) continue;
                for (long x = x0; x <= x1; ++x) {
                    const double dx = x * k.x - u.x;
                    if (dx * dx <= rest) setVoxel(x, y, z);
                }
            }
        }
    }

    void stampVessel(int v) {
        for (const CentreLineSample& s : p.truth[v].centreLine) stampBall(toU(s), s.radius);
    }

    void addBumps() {
        for (int v = 0; v < static_cast<int>(p.truth.size()); ++v) {
            const auto& line = p.truth[v].centreLine;
            // Keep clear of the bifurcations at both ends.
            const int first = static_cast<int>((line.front().radius + 1) / kStep);
            const int last = static_cast<int>(line.size()) - 1 -
                             static_cast<int>((line.back().radius + 1) / kStep);
            if (last <= first) continue;
            const int count = 1 + static_cast<int>((last - first) * kStep / 20.0);
            for (int b = 0; b < count; ++b) {
                const int i = first + static_cast<int>(rng.uniform(0, last - first));
                const double r = line[i].radius;
                if (r < 1.5) continue;
                const V3 c = toU(line[i]);
                const V3 axis = (toU(line[i + 1]) - toU(line[i - 1])).normalized();
                const V3 out = perpendicular(axis, rng);
                const double length = rng.uniform(2.0, 4.0);
                const V3 tip = c + out * (r + length);
                if (!inside(tip, 2.0) || collides(tip, 0.5, v, -1, -1, c, 0)) continue;
                for (double t = r - 0.5; t <= r + length + 1e-9; t += 0.3) {
                    const V3 u = c + out * t;
                    setVoxel(std::lround(u.x / k.x), std::lround(u.y / k.y),
                             std::lround(u.z / k.z));
                }
                const V3 tv = toVoxel(tip);
                p.bumps.push_back(Bump{static_cast<float>(tv.x), static_cast<float>(tv.y),
                                       static_cast<float>(tv.z), static_cast<float>(length)});
            }
        }
    }

    void makeTissue() {
        p.tissue = newMask(o);
        auto* out = static_cast<unsigned char*>(p.tissue->data);
        std::size_t i = 0;
        for (unsigned z = 0; z < o.sizeZ; ++z) {
            const double dz = (z * k.z - centre.z) / axes.z;
            for (unsigned y = 0; y < o.sizeY; ++y) {
                const double dy = (y * k.y - centre.y) / axes.y;
                // liver() as a cubic in dx with coefficients fixed along the row.
                const double c1 = 0.25 * dy - 0.15 * dz, c0 = dy * dy + dz * dz;
                for (unsigned x = 0; x < o.sizeX; ++x, ++i) {
                    const double dx = (x * k.x - centre.x) / axes.x;
                    const double q = ((0.2 * dx + 1.0) * dx + c1) * dx + c0;
                    out[i] = (q < 1.0 || mask[i] != 0) ? 1 : 0;
                }
            }
        }
    }

    Phantom& p;
    const PhantomOptions& o;
    Rng rng;
    double minSpacing = 1;
    double lengthScale = 1;
    V3 k{1, 1, 1}, extent{0, 0, 0}, centre{0, 0, 0}, axes{1, 1, 1};
    int gridX = 1, gridY = 1, gridZ = 1;
    std::vector<std::vector<Ref>> grid;
    unsigned char* mask = nullptr;
};

}  // namespace

namespace {

// Fine voxels (units of the smallest spacing) per voxel along x, y and z.
std::array<float, 3> fineVoxelsPerVoxel(const PhantomOptions& o) {
    const float minSpacing = std::min({o.spacingX, o.spacingY, o.spacingZ});
    return {o.spacingX / minSpacing, o.spacingY / minSpacing, o.spacingZ / minSpacing};
}

}  // namespace

PhantomOptions PhantomOptions::tiny() {
    PhantomOptions o;
    o.sizeX = o.sizeY = o.sizeZ = 32;
    o.rootRadius = 2.5f;
    return o;
}

PhantomOptions PhantomOptions::small() {
    PhantomOptions o;
    o.sizeX = o.sizeY = o.sizeZ = 64;
    o.rootRadius = 3.5f;
    return o;
}

PhantomOptions PhantomOptions::medium() {
    PhantomOptions o;
    o.sizeX = o.sizeY = o.sizeZ = 256;
    o.rootRadius = 6.0f;
    return o;
}

PhantomOptions PhantomOptions::ct() {
    PhantomOptions o;
    o.sizeX = o.sizeY = 512;
    o.sizeZ = 256;
    o.rootRadius = 8.0f;
    return o;
}

Phantom::~Phantom() {
    lumoTeskFree(vessels);
    lumoTeskFree(tissue);
}

Phantom::Phantom(Phantom&& other) noexcept
    : vessels(std::exchange(other.vessels, nullptr)),
      tissue(std::exchange(other.tissue, nullptr)),
      truth(std::move(other.truth)),
      bumps(std::move(other.bumps)),
      rootVoxel(other.rootVoxel),
      options(other.options),
      cellSize(other.cellSize),
      cellsX(other.cellsX),
      cellsY(other.cellsY),
      cellsZ(other.cellsZ),
      cells(std::move(other.cells)) {}

Phantom& Phantom::operator=(Phantom&& other) noexcept {
    if (this != &other) {
        lumoTeskFree(vessels);
        lumoTeskFree(tissue);
        vessels = std::exchange(other.vessels, nullptr);
        tissue = std::exchange(other.tissue, nullptr);
        truth = std::move(other.truth);
        bumps = std::move(other.bumps);
        rootVoxel = other.rootVoxel;
        options = other.options;
        cellSize = other.cellSize;
        cellsX = other.cellsX;
        cellsY = other.cellsY;
        cellsZ = other.cellsZ;
        cells = std::move(other.cells);
    }
    return *this;
}

lumoTeskDescriptor* Phantom::takeVessels() { return std::exchange(vessels, nullptr); }

lumoTeskDescriptor* Phantom::takeTissue() { return std::exchange(tissue, nullptr); }

void Phantom::indexSamples() {
    const auto [kx, ky, kz] = fineVoxelsPerVoxel(options);
    cellsX = static_cast<int>(options.sizeX * kx / cellSize) + 1;
    cellsY = static_cast<int>(options.sizeY * ky / cellSize) + 1;
    cellsZ = static_cast<int>(options.sizeZ * kz / cellSize) + 1;
    cells.assign(static_cast<std::size_t>(cellsX) * cellsY * cellsZ, {});
    for (int v = 0; v < static_cast<int>(truth.size()); ++v) {
        for (int s = 0; s < static_cast<int>(truth[v].centreLine.size()); ++s) {
            const CentreLineSample& c = truth[v].centreLine[s];
            const int x = std::clamp(static_cast<int>(c.x * kx / cellSize), 0, cellsX - 1);
            const int y = std::clamp(static_cast<int>(c.y * ky / cellSize), 0, cellsY - 1);
            const int z = std::clamp(static_cast<int>(c.z * kz / cellSize), 0, cellsZ - 1);
            cells[(static_cast<std::size_t>(z) * cellsY + y) * cellsX + x].push_back({v, s});
        }
    }
}

NearestSample Phantom::nearestSample(float x, float y, float z) const {
    NearestSample best{nullptr, -1, 0.0f};
    if (cells.empty()) return best;
    const auto [kx, ky, kz] = fineVoxelsPerVoxel(options);
    const float ux = x * kx, uy = y * ky, uz = z * kz;
    const int cx = std::clamp(static_cast<int>(ux / cellSize), 0, cellsX - 1);
    const int cy = std::clamp(static_cast<int>(uy / cellSize), 0, cellsY - 1);
    const int cz = std::clamp(static_cast<int>(uz / cellSize), 0, cellsZ - 1);
    float bestSq = 0;
    const int maxShell = std::max({cellsX, cellsY, cellsZ});
    // Shell s holds the cells at Chebyshev cell distance s; a sample in shell s + 1 or beyond
    // is at least s cells away, so the search stops once the best distance is below that.
    for (int shell = 0; shell <= maxShell; ++shell) {
        if (best.sample != nullptr && std::sqrt(bestSq) <= (shell - 1) * cellSize) break;
        for (int z = cz - shell; z <= cz + shell; ++z) {
            if (z < 0 || z >= cellsZ) continue;
            for (int y = cy - shell; y <= cy + shell; ++y) {
                if (y < 0 || y >= cellsY) continue;
                for (int x = cx - shell; x <= cx + shell; ++x) {
                    if (x < 0 || x >= cellsX) continue;
                    if (std::max({std::abs(x - cx), std::abs(y - cy), std::abs(z - cz)}) != shell)
                        continue;
                    for (const SampleRef& ref :
                         cells[(static_cast<std::size_t>(z) * cellsY + y) * cellsX + x]) {
                        const CentreLineSample& s = truth[ref.vessel].centreLine[ref.sample];
                        const float dx = s.x * kx - ux, dy = s.y * ky - uy, dz = s.z * kz - uz;
                        const float d = dx * dx + dy * dy + dz * dz;
                        if (best.sample == nullptr || d < bestSq) {
                            best = NearestSample{&s, ref.vessel, 0.0f};
                            bestSq = d;
                        }
                    }
                }
            }
        }
    }
    best.distance = std::sqrt(bestSq);
    return best;
}

Phantom makePhantom(const PhantomOptions& options) {
    Phantom phantom;
    phantom.options = options;
    Grower(phantom).run();
    phantom.indexSamples();
    return phantom;
}

}  // namespace angiolith::phantom
