#include "cli/planning/PlanActions.h"

#include "cli/UserError.h"
#include "cli/planning/ForestWalk.h"
#include "cli/planning/Quantities.h"

#include <angiolith/tree/LinkedNode.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <map>
#include <sstream>

namespace angiolith::tool::planning {

namespace {

// The nearest place on the centre lines to a point.
struct Nearest {
    std::size_t entry = 0;  ///< index into the flattened vessels
    int sample = 0;         ///< the vessel's sample nearest to the foot of the perpendicular
    double distance = std::numeric_limits<double>::infinity();
};

// The tree frame (voxel index times spacing) of a world LPS position: the inverse of
// Geometry::scaledIndexToWorld, p = origin + direction * s, by Cramer's rule.
Vec3 treeFrameOf(const Geometry& g, const Vec3& lps) {
    const auto& m = g.direction;
    const Vec3 d{lps[0] - g.origin[0], lps[1] - g.origin[1], lps[2] - g.origin[2]};
    auto det3 = [](const Vec3& c0, const Vec3& c1, const Vec3& c2) {
        return c0[0] * (c1[1] * c2[2] - c1[2] * c2[1]) - c1[0] * (c0[1] * c2[2] - c0[2] * c2[1]) +
               c2[0] * (c0[1] * c1[2] - c0[2] * c1[1]);
    };
    const Vec3 c0{m[0][0], m[1][0], m[2][0]}, c1{m[0][1], m[1][1], m[2][1]},
        c2{m[0][2], m[1][2], m[2][2]};
    const double det = det3(c0, c1, c2);
    return {det3(d, c1, c2) / det, det3(c0, d, c2) / det, det3(c0, c1, d) / det};
}

double distance2(const Vec3& a, const Vec3& b) {
    return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
           (a[2] - b[2]) * (a[2] - b[2]);
}

Vec3 positionOf(const VesselElement& e) { return {e.position.x, e.position.y, e.position.z}; }

// The nearest centre-line place to @p p (tree frame): over every segment between consecutive
// samples (and lone samples), the foot of the perpendicular. Only a strictly nearer place
// replaces the best so far, so ties go to the vessel first in @p entries: the earlier tree,
// then the earlier vessel in preorder (a parent before the children that start where it ends).
Nearest nearestOf(const std::vector<VesselEntry>& entries, const Vec3& p) {
    Nearest best;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& elements = entries[i].vessel->getElementsList();
        for (std::size_t k = 0; k < elements.size(); ++k) {
            const Vec3 a = positionOf(elements[k]);
            const Vec3 b = k + 1 < elements.size() ? positionOf(elements[k + 1]) : a;
            const Vec3 ab{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const double length2 = distance2(a, b);
            double t = 0;
            if (length2 > 0) {
                t = ((p[0] - a[0]) * ab[0] + (p[1] - a[1]) * ab[1] + (p[2] - a[2]) * ab[2]) /
                    length2;
                t = std::clamp(t, 0.0, 1.0);
            }
            const Vec3 foot{a[0] + t * ab[0], a[1] + t * ab[1], a[2] + t * ab[2]};
            const double d = std::sqrt(distance2(p, foot));
            if (d < best.distance) {
                best.entry = i;
                best.sample = static_cast<int>(t <= 0.5 ? k : k + 1);
                best.distance = d;
            }
        }
    }
    return best;
}

// "vessel 36", and where the plan spans several trees "vessel 36 of tree 2" (ids are unique
// across the trees, but the tree tells the reader which system the vessel belongs to).
std::string vesselText(const VesselEntry& entry, std::size_t trees) {
    std::string text = "vessel " + std::to_string(entry.vessel->getId());
    if (trees > 1) text += " of tree " + std::to_string(entry.tree + 1);
    return text;
}

std::string mm(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << value;
    return text.str();
}

void setSubtree(const std::vector<VesselEntry>& entries, std::size_t top,
                int VesselProperties::*field, int value) {
    const std::vector<bool> inside = subtreeOf(entries, top);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (inside[i]) entries[i].vessel->getProperties().*field = value;
    }
}

// Splits the vessel of @p entry at @p sample (0 < sample < last): the vessel keeps its samples
// up to and including @p sample; a new vessel @p newId from that sample on becomes its only
// child and takes over its children. Returns the new vessel's node.
Node<ar<Vessel>>* splitVessel(const VesselEntry& entry, int sample, int newId) {
    Vessel& upstream = *entry.vessel;
    ar<Vessel> downstream(new Vessel(upstream));
    auto& up = upstream.getElementsList();
    auto& down = downstream->getElementsList();
    down.erase(down.begin(), down.begin() + sample);
    up.erase(up.begin() + sample + 1, up.end());
    // The edits went through the element lists: the thinned copies are stale.
    upstream.add(up.back());
    upstream.getElementsList().pop_back();
    downstream->add(down.back());
    downstream->getElementsList().pop_back();
    downstream->clearVoxel();
    upstream.clearVoxel();
    downstream->setId(newId);
    // A loop closes at the vessel's end, which is now the new part's.
    downstream->setCyclicId(upstream.getCyclicId());
    upstream.setCyclicId(-1);

    auto* node = static_cast<LinkedNode<ar<Vessel>>*>(entry.node);
    auto* child = new LinkedNode<ar<Vessel>>(downstream, node, node->getNumberOfChildren());
    while (node->getNumberOfChildren() > 0) {
        Node<ar<Vessel>>* grandChild = node->getChild(0);
        node->removeChild(grandChild);
        grandChild->setParent(child);
        child->addChild(grandChild);
    }
    node->addChild(child);
    return child;
}

}  // namespace

PlanOutcome applyPlan(std::vector<ArVesselTree>& trees, const std::vector<PlanPoint>& points,
                      const Geometry& grid, double maxDistanceMm) {
    PlanOutcome outcome;
    // Every point is checked before anything changes.
    {
        const std::vector<VesselEntry> entries = flatten(trees);
        for (const PlanPoint& point : points) {
            const Nearest near = nearestOf(entries, treeFrameOf(grid, point.lps));
            if (!(near.distance <= maxDistanceMm)) {
                throw UserError("point '" + point.name + "' at " + tripleText(point.lps) +
                                " mm (LPS) is " + mm(near.distance) +
                                " mm from the nearest centre line, farther than --max-distance " +
                                mm(maxDistanceMm) + " mm; place it on a vessel");
            }
        }
    }

    // The point that last set each tree's system, to tell of points that contradict each other.
    std::map<std::size_t, const PlanPoint*> systemOf;
    for (const PlanPoint& point : points) {
        if (point.action.kind != PlanAction::Hepatic && point.action.kind != PlanAction::Portal) {
            continue;
        }
        const std::vector<VesselEntry> entries = flatten(trees);
        const Nearest near = nearestOf(entries, treeFrameOf(grid, point.lps));
        const int type = point.action.kind == PlanAction::Hepatic ? 1 : 2;
        const std::size_t tree = entries[near.entry].tree;
        const auto earlier = systemOf.find(tree);
        if (earlier != systemOf.end() && earlier->second->action.kind != point.action.kind) {
            outcome.warnings.push_back("points '" + earlier->second->name + "' and '" + point.name +
                                       "' both set the system of tree " + std::to_string(tree + 1) +
                                       "; the later, '" + point.name + "', holds");
        }
        systemOf[tree] = &point;
        for (const VesselEntry& entry : entries) {
            if (entry.tree == entries[near.entry].tree) {
                entry.vessel->getProperties().type = static_cast<VesselProperties::NType>(type);
            }
        }
        outcome.lines.push_back(point.name + ": tree " +
                                std::to_string(entries[near.entry].tree + 1) + " is " +
                                (type == 1 ? "hepatic" : "portal"));
    }

    for (const PlanPoint& point : points) {
        if (point.action.kind != PlanAction::Cut) continue;
        std::vector<VesselEntry> entries = flatten(trees);
        if (!outcome.cut) {
            // Vessels that an earlier plan resected stay resected: planning on planned trees
            // adds to their resection.
            for (const VesselEntry& entry : entries) {
                int& status = entry.vessel->getProperties().resectionStatus;
                if (status != kResectionResected) status = kResectionRemnant;
            }
            outcome.cut = true;
        }
        const Nearest near = nearestOf(entries, treeFrameOf(grid, point.lps));
        const VesselEntry entry = entries[near.entry];  // a copy: entries is rebuilt below
        const int id = entry.vessel->getId();
        const int last = entry.vessel->getSize() - 1;
        std::size_t top = near.entry;
        std::string what = vesselText(entry, trees.size());
        if (near.sample > 0 && near.sample < last) {
            const int newId = maxIdOf(entries) + 1;
            if (newId > 65535) {
                throw UserError("point '" + point.name + "' would cut vessel " +
                                std::to_string(id) +
                                ", but the trees already use vessel id 65535; cut fewer vessels");
            }
            splitVessel(entry, near.sample, newId);
            entries = flatten(trees);
            top = near.entry + 1;  // the new part comes right after the vessel in preorder
            what += " from sample " + std::to_string(near.sample) + " on (now vessel " +
                    std::to_string(newId) + ")";
        } else if (near.sample == last && last > 0) {
            what += " beyond its end";
        }
        const std::vector<bool> inside = subtreeOf(entries, top);
        int count = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const bool below = near.sample == last && last > 0 ? inside[i] && i != top : inside[i];
            if (!below) continue;
            entries[i].vessel->getProperties().resectionStatus = kResectionResected;
            ++count;
        }
        outcome.lines.push_back(point.name + ": cut " + what + ", " + std::to_string(count) +
                                " vessel(s) resected");
        if (count == 0) {
            outcome.warnings.push_back("point '" + point.name + "' cuts " + what +
                                       ", below which no vessel lies: it resects nothing");
        }
    }

    // Segments: shallower points first, so that deeper ones override them on their subtrees.
    const std::vector<VesselEntry> entries = flatten(trees);
    std::vector<std::pair<const PlanPoint*, Nearest>> segmentPoints;
    for (const PlanPoint& point : points) {
        if (point.action.kind != PlanAction::Segment) continue;
        segmentPoints.emplace_back(&point, nearestOf(entries, treeFrameOf(grid, point.lps)));
    }
    std::stable_sort(segmentPoints.begin(), segmentPoints.end(), [&](const auto& a, const auto& b) {
        return entries[a.second.entry].depth < entries[b.second.entry].depth;
    });
    for (const auto& [point, near] : segmentPoints) {
        setSubtree(entries, near.entry, &VesselProperties::segment, point->action.segment);
        outcome.lines.push_back(point->name + ": " + vesselText(entries[near.entry], trees.size()) +
                                " and its subtree are segment " +
                                std::to_string(point->action.segment));
    }
    return outcome;
}

}  // namespace angiolith::tool::planning
