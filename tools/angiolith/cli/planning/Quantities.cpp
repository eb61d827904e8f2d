#include "cli/planning/Quantities.h"

#include "cli/planning/ForestWalk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

namespace angiolith::tool::planning {

namespace {

// Length of the polyline through the samples and the mean and minimum radius.
void measureCentreLine(Vessel& vessel, VesselFigures& figures) {
    const auto& elements = vessel.getElementsList();
    if (elements.empty()) return;
    double radiusSum = 0, minRadius = 0.5 * elements.front().diameter;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const double radius = 0.5 * elements[i].diameter;
        radiusSum += radius;
        minRadius = std::min(minRadius, radius);
        if (i == 0) continue;
        const auto& a = elements[i - 1].position;
        const auto& b = elements[i].position;
        figures.lengthMm +=
            std::sqrt(double(b.x - a.x) * (b.x - a.x) + double(b.y - a.y) * (b.y - a.y) +
                      double(b.z - a.z) * (b.z - a.z));
    }
    figures.meanRadiusMm = radiusSum / static_cast<double>(elements.size());
    figures.minRadiusMm = minRadius;
}

std::vector<Total> totalsOf(const std::map<int, unsigned long long>& byKey) {
    std::vector<Total> totals;
    for (const auto& [key, voxels] : byKey) totals.push_back({key, voxels});
    return totals;
}

}  // namespace

double Quantities::percent(unsigned long long voxels) const {
    return tissueVoxels == 0
               ? 0.0
               : 100.0 * static_cast<double>(voxels) / static_cast<double>(tissueVoxels);
}

unsigned long long Quantities::resectedVoxels() const {
    for (const Total& t : resections) {
        if (t.key == kResectionResected) return t.voxels;
    }
    return 0;
}

Quantities measure(const std::vector<ArVesselTree>& trees, const Geometry& g,
                   const std::vector<unsigned long long>& perId) {
    if (perId.size() != 65536) {
        throw std::invalid_argument("measure needs the voxels of each of the 65536 vessel ids");
    }
    Quantities q;
    q.voxelMl = g.spacing[0] * g.spacing[1] * g.spacing[2] / 1000.0;
    q.tissueVoxels = g.voxelCount() - perId[0];

    const std::vector<VesselEntry> entries = flatten(trees);
    q.vessels.resize(entries.size());
    std::unordered_map<int, bool> claimed;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Vessel& vessel = *entries[i].vessel;
        VesselFigures& f = q.vessels[i];
        f.tree = static_cast<int>(entries[i].tree) + 1;
        f.id = vessel.getId();
        if (entries[i].parent >= 0) {
            f.parent = entries[static_cast<std::size_t>(entries[i].parent)].vessel->getId();
        }
        const VesselProperties& p = vessel.getProperties();
        f.type = static_cast<int>(p.type);
        f.segment = p.segment;
        f.resection = p.resectionStatus;
        measureCentreLine(vessel, f);
        if (f.id >= 1 && f.id <= 65535 && !claimed[f.id]) {
            claimed[f.id] = true;
            f.ownVoxels = perId[static_cast<std::size_t>(f.id)];
        }
        f.subtreeVoxels = f.ownVoxels;
    }
    // Children come after their parent in preorder: add up from the back.
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (entries[i].parent >= 0) {
            q.vessels[static_cast<std::size_t>(entries[i].parent)].subtreeVoxels +=
                q.vessels[i].subtreeVoxels;
        }
    }

    std::map<int, unsigned long long> byTree, bySegment, byResection;
    unsigned long long assigned = 0;
    for (const VesselFigures& f : q.vessels) {
        byTree[f.tree] += f.ownVoxels;
        bySegment[f.segment] += f.ownVoxels;
        byResection[f.resection] += f.ownVoxels;
        assigned += f.ownVoxels;
    }
    q.trees = totalsOf(byTree);
    q.segments = totalsOf(bySegment);
    q.resections = totalsOf(byResection);
    q.unassignedVoxels = q.tissueVoxels - assigned;
    return q;
}

std::string summaryText(const Quantities& q, std::size_t top) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(1);
    out << "summary: tissue " << q.ml(q.tissueVoxels) << " mL (" << q.tissueVoxels << " voxels)\n";
    for (const Total& tree : q.trees) {
        std::vector<const VesselFigures*> vessels;
        for (const VesselFigures& f : q.vessels) {
            if (f.tree == tree.key) vessels.push_back(&f);
        }
        std::stable_sort(vessels.begin(), vessels.end(),
                         [](const VesselFigures* a, const VesselFigures* b) {
                             return a->subtreeVoxels > b->subtreeVoxels;
                         });
        if (vessels.size() > top) vessels.resize(top);
        out << "  tree " << tree.key << ": " << q.ml(tree.voxels) << " mL ("
            << q.percent(tree.voxels) << " %); largest subtrees:";
        for (const VesselFigures* f : vessels) {
            out << " vessel " << f->id << " " << q.ml(f->subtreeVoxels) << " mL ("
                << q.percent(f->subtreeVoxels) << " %)" << (f == vessels.back() ? "" : ",");
        }
        out << "\n";
    }
    return out.str();
}

}  // namespace angiolith::tool::planning
