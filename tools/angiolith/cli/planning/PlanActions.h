#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_PLANACTIONS_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_PLANACTIONS_H

#include "cli/Geometry.h"
#include "cli/planning/PlanPoints.h"

#include <angiolith/tree/ArVesselTree.h>

#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// What applying a plan did.
struct PlanOutcome {
    bool cut = false;                   ///< whether any cut was made
    std::vector<std::string> lines;     ///< one line per point: what it changed
    std::vector<std::string> warnings;  ///< points that changed nothing
};

/// Applies @p points to @p trees, a forest whose vessel ids are unique across its trees (whose
/// positions are voxel index times spacing on @p grid). Each point acts on the nearest place on
/// the centre lines of any tree; when several are equally near, on the one in the tree first in
/// @p trees, then on the vessel first in preorder.
/// - `hepatic` / `portal` sets the type of every vessel of the tree nearest the point;
/// - `cut` cuts the nearest centre line at its sample nearest the point: the part of the vessel
///   before that sample stays, the part from it on becomes a new vessel (one above the largest
///   id of the whole forest, so unique across it) that carries the vessel's children, and that
///   part with everything below it is resected. A cut at a vessel's first sample resects the
///   whole vessel. Once a plan cuts, every vessel of every tree not resected (by this plan or an
///   earlier one) is marked remnant;
/// - `segment N` gives the nearest vessel and its subtree segment N, shallower points first,
///   so that a deeper point overrides a shallower one on its own subtree.
/// Types first, then cuts in file order, then segments. Throws UserError for a point farther
/// than @p maxDistanceMm from every centre line (naming the point and its distance; checked
/// before anything changes) and for a cut that would need a vessel id above 65535.
PlanOutcome applyPlan(std::vector<ArVesselTree>& trees, const std::vector<PlanPoint>& points,
                      const Geometry& grid, double maxDistanceMm);

}  // namespace angiolith::tool::planning

#endif
