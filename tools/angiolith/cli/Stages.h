#ifndef ANGIOLITH_TOOLS_CLI_STAGES_H
#define ANGIOLITH_TOOLS_CLI_STAGES_H

#include "cli/Volume.h"

#include <angiolith/tree/ArVesselTree.h>

#include <optional>
#include <string>

namespace angiolith::tool {

/// How the vessel mask is thinned.
struct ThinningOptions {
    /// Passes of the cleaning thinning that also removes line ends left standing; 0 runs the
    /// plain thinning.
    unsigned int cleaningPasses = 0;
    /// Order of the deletion candidates: those with most object neighbours first.
    bool mostNeighboursFirst = false;
};

/// The result of thinning: the skeleton volume (1 at every skeletal voxel, 0 elsewhere) and
/// the distance field (each voxel's distance to the background in millimetres, float).
struct Thinned {
    Volume skeleton;
    Volume distances;
};

/// Thins the voxels of @p mask (unsigned 8-bit, 1 on the object) with its voxel spacing.
Thinned thin(const Volume& mask, const ThinningOptions& options);

/// Removes irrelevant side branches and joins single-child chains, in place.
void cleanTree(ArVesselTree& tree, float relevance, bool preserveCycles);

/// The vascular territories over the non-zero voxels of @p tissue: the vessel-ID volume
/// (unsigned 16-bit) and the distance volume (float, millimetres), both with the tissue's
/// geometry. The tree must lie on the tissue's grid (positions = index times spacing).
struct Territories {
    Volume vesselIds;
    Volume distances;
};
Territories computeTerritories(const ArVesselTree& tree, const Volume& tissue);

/// The relabelling rules the tool offers.
enum class LabelRule { Segment, Type, Resection };
std::optional<LabelRule> labelRuleOf(const std::string& name);
std::string nameOf(LabelRule rule);

/// @p vesselIds (unsigned 16-bit) relabelled by @p rule built from @p tree, as a new volume
/// with the same geometry. The caller has checked that every id of the volume is at most the
/// tree's largest id.
Volume relabel(const Volume& vesselIds, const ArVesselTree& tree, LabelRule rule);

/// Largest value of an unsigned 16-bit volume.
unsigned int maxValue16(const Volume& volume);

}  // namespace angiolith::tool

#endif
