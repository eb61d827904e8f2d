#include "VesselGrowth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace angiolith::phantom {

ProximityGrid::ProximityGrid(const FineSpace& space, const std::vector<PhantomVessel>& vessels,
                             double maxRadius)
    : space(space), vessels(vessels), maxRadius(maxRadius) {
    cellsX = static_cast<int>(space.extent.x / kCell) + 1;
    cellsY = static_cast<int>(space.extent.y / kCell) + 1;
    cellsZ = static_cast<int>(space.extent.z / kCell) + 1;
    cells.assign(static_cast<std::size_t>(cellsX) * cellsY * cellsZ, {});
}

int ProximityGrid::cellOf(double coordinate, int count) const {
    return std::clamp(static_cast<int>(coordinate / kCell), 0, count - 1);
}

void ProximityGrid::add(int vessel, int sample) {
    const Vec3 u = space.toFine(vessels[vessel].centreLine[sample]);
    const std::size_t cell =
        (static_cast<std::size_t>(cellOf(u.z, cellsZ)) * cellsY + cellOf(u.y, cellsY)) * cellsX +
        cellOf(u.x, cellsX);
    cells[cell].push_back(SampleRef{vessel, sample});
}

void ProximityGrid::rebuild() {
    for (auto& cell : cells) cell.clear();
    for (int v = 0; v < static_cast<int>(vessels.size()); ++v) {
        for (int i = 0; i < static_cast<int>(vessels[v].centreLine.size()); ++i) add(v, i);
    }
}

bool ProximityGrid::collides(const Vec3& u, double radius, int self, int parent, int sibling,
                             const Vec3& branchPoint, double exempt) const {
    const double reach = radius + maxRadius + kGap;
    const int span = static_cast<int>(std::ceil(reach / kCell));
    const int cx = cellOf(u.x, cellsX), cy = cellOf(u.y, cellsY), cz = cellOf(u.z, cellsZ);
    for (int z = std::max(0, cz - span); z <= std::min(cellsZ - 1, cz + span); ++z)
        for (int y = std::max(0, cy - span); y <= std::min(cellsY - 1, cy + span); ++y)
            for (int x = std::max(0, cx - span); x <= std::min(cellsX - 1, cx + span); ++x) {
                const auto& cell = cells[(static_cast<std::size_t>(z) * cellsY + y) * cellsX + x];
                for (const SampleRef& ref : cell) {
                    if (ref.vessel == self) continue;
                    const CentreLineSample& s = vessels[ref.vessel].centreLine[ref.sample];
                    const Vec3 su = space.toFine(s);
                    if ((ref.vessel == parent || ref.vessel == sibling) &&
                        (u - branchPoint).norm() < exempt && (su - branchPoint).norm() < exempt)
                        continue;
                    if ((su - u).norm() < radius + s.radius + kGap) return true;
                }
            }
    return false;
}

VesselGrowth::VesselGrowth(const FineSpace& space, const PhantomOptions& options, Random& random,
                           std::vector<PhantomVessel>& vessels)
    : space(space),
      options(options),
      random(random),
      vessels(vessels),
      grid(space, vessels, options.rootRadius),
      lengthScale(std::clamp(std::min({space.extent.x, space.extent.y, space.extent.z}) / 128.0,
                             0.3, 1.0)) {}

void VesselGrowth::run() {
    const double radius = options.rootRadius;
    Vec3 start{space.centre.x - 0.12 * space.extent.x, space.centre.y - 0.85 * space.axes.y,
               space.centre.z + 0.05 * space.extent.z};
    start = space.clampInside(start, radius + 2.5);
    std::vector<Task> tasks{Task{start, Vec3{0.25, 1.0, 0.1}.normalized(), radius, -1, -1, 0}};
    while (!tasks.empty()) {
        const Task task = tasks.back();
        tasks.pop_back();
        growVessel(task, tasks);
    }
    joinSingleChildren();
}

void VesselGrowth::growVessel(const Task& task, std::vector<Task>& tasks) {
    const int self = static_cast<int>(vessels.size());
    vessels.push_back(PhantomVessel{{}, task.parent, {}});
    const double r = task.radius;
    const double parentRadius = task.parent >= 0 ? vessels[task.parent].centreLine[0].radius : r;
    const double exempt = 2.0 * (parentRadius + ProximityGrid::kGap);
    const double length = lengthScale * (r * random.uniform(5.0, 9.0) + 4.0);
    Vec3 position = task.start, direction = task.direction, bend{0, 0, 0};
    auto push = [&](const Vec3& fine) {
        const Vec3 v = space.toVoxel(fine);
        vessels[self].centreLine.push_back(
            CentreLineSample{static_cast<float>(v.x), static_cast<float>(v.y),
                             static_cast<float>(v.z), static_cast<float>(r)});
    };
    push(position);
    double grown = 0;
    bool blocked = false;
    while (grown < length) {
        // Straight while near the bifurcation, so that siblings part cleanly.
        bend = bend * 0.85 + random.unitVector() * 0.15;
        if ((position - task.start).norm() >= exempt) {
            direction = (direction + bend * 0.08).normalized();
            if (space.liverShape(position) > 0.75) {
                direction = (direction + (space.centre - position).normalized() * 0.2).normalized();
            }
        }
        const Vec3 next = position + direction * kStep;
        if (!space.inside(next, r + 2.0) ||
            grid.collides(next, r, self, task.parent, task.sibling, task.start, exempt)) {
            blocked = true;
            break;
        }
        position = next;
        grown += kStep;
        push(position);
    }
    if (grown < r + 1.0) {
        // Too short to be a vessel of its own: dropped (it has no children yet) and tried
        // again in another direction, so that bifurcations keep two children.
        vessels.pop_back();
        if (task.parent >= 0 && task.retries < kRetries) {
            Task again = task;
            again.direction = rotateTowards(task.direction, perpendicular(task.direction, random),
                                            random.uniform(0.3, 0.8));
            ++again.retries;
            tasks.push_back(again);
        }
        return;
    }
    for (int s = 0; s < static_cast<int>(vessels[self].centreLine.size()); ++s) {
        grid.add(self, s);
    }
    if (task.parent >= 0) vessels[task.parent].children.push_back(self);
    if (blocked) return;

    // Murray's law: the smaller child takes the fraction f of r^3.
    const double f = random.uniform(0.3, 0.5);
    const double small = r * std::cbrt(f), large = r * std::cbrt(1.0 - f);
    if (small < options.minRadius) return;
    const Vec3 side = perpendicular(direction, random);
    const Vec3 largeDirection = rotateTowards(direction, side, random.uniform(0.15, 0.45));
    const Vec3 smallDirection = rotateTowards(direction, side * -1.0, random.uniform(0.6, 1.1));
    // The large child is grown next (tasks is a stack), so it gets the next index, which the
    // small child knows as its sibling.
    const int next = static_cast<int>(vessels.size());
    tasks.push_back(Task{position, smallDirection, small, self, next, 0});
    tasks.push_back(Task{position, largeDirection, large, self, -2, 0});
}

// A bifurcation whose second child found no room leaves a vessel with one child; the two are
// one unbranched vessel, so the child's samples are appended to the parent.
void VesselGrowth::joinSingleChildren() {
    std::vector<bool> dropped(vessels.size(), false);
    for (std::size_t v = 0; v < vessels.size(); ++v) {
        if (dropped[v]) continue;
        while (vessels[v].children.size() == 1) {
            const int c = vessels[v].children[0];
            vessels[v].centreLine.insert(vessels[v].centreLine.end(),
                                         vessels[c].centreLine.begin() + 1,
                                         vessels[c].centreLine.end());
            vessels[v].children = vessels[c].children;
            for (int g : vessels[v].children) vessels[g].parent = static_cast<int>(v);
            dropped[c] = true;
        }
    }
    std::vector<int> index(vessels.size(), -1);
    std::vector<PhantomVessel> kept;
    for (std::size_t v = 0; v < vessels.size(); ++v) {
        if (dropped[v]) continue;
        index[v] = static_cast<int>(kept.size());
        kept.push_back(std::move(vessels[v]));
    }
    for (PhantomVessel& v : kept) {
        if (v.parent >= 0) v.parent = index[v.parent];
        for (int& c : v.children) c = index[c];
    }
    vessels = std::move(kept);
    // The proximity grid refers to the old numbering.
    grid.rebuild();
}

}  // namespace angiolith::phantom
