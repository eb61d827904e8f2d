#ifndef ANGIOLITH_TOOLS_CLI_STAGERUNNERS_H
#define ANGIOLITH_TOOLS_CLI_STAGERUNNERS_H

#include "cli/Forest.h"
#include "cli/Progress.h"
#include "cli/Stages.h"
#include "cli/TreeFile.h"

#include <optional>
#include <string>
#include <vector>

namespace angiolith::tool {

/// The checks and progress lines around the library's stages, shared by `run` and the
/// sub-commands that run one stage each. Every check happens before the library is called.

/// Reads a mask and counts its non-zero voxels. Throws UserError when it has none.
Volume readMask(const std::string& path, const std::string& role, unsigned long long& voxels);

/// Throws UserError when two images do not share one grid.
void requireSameGrid(const Volume& a, const std::string& aPath, const Volume& b,
                     const std::string& bPath, const std::string& bRole);

/// Which voxels of a vessel mask are vessels: every non-zero one, those of one label, or
/// every label as a vessel system of its own.
struct LabelChoice {
    std::optional<unsigned int> label;  ///< --label N
    bool byLabel = false;               ///< --by-label
};

/// A vessel mask made ready for thinning: one unsigned 8-bit 0/1 mask per vessel system, with
/// the label each stands for (1 without --by-label).
struct VesselSystems {
    std::vector<Volume> masks;
    std::vector<unsigned int> labels;
    unsigned long long voxels = 0;
};

/// Splits @p mask (read from @p path, @p voxels of it object voxels as readMask counted them)
/// as @p choice says. Throws UserError when the label is absent or the mask holds no labels
/// (values that are not whole numbers from 1 to 65535).
VesselSystems vesselSystemsOf(const Volume& mask, unsigned long long voxels,
                              const std::string& path, const LabelChoice& choice);

/// Thins every system in place (its mask is used up); the skeleton holds each system's label on its
/// voxels (unsigned 8-bit, or 16-bit for labels above 255), the distance field each voxel's
/// distance within its system.
Thinned runThinning(Progress& progress, VesselSystems&& systems, const ThinningOptions& options);

/// How the trees of a skeleton are found.
struct ForestOptions {
    std::vector<Voxel> starts;   ///< --start, at most one per tree
    unsigned long minPart = 0;   ///< --min-part
    bool labelsAsTypes = false;  ///< the skeleton's values are labels, carried into vessel types
};

/// One tree per kept part of @p skeleton (the distance field beside it), numbered across trees.
/// @p source names the mask or skeleton file in messages. Warns about the parts left out.
/// Throws UserError when no part can be extracted or two starts fall on one part.
Forest runExtraction(Progress& progress, const Volume& skeleton, const Volume& distances,
                     const std::string& source, const ForestOptions& options);
/// Cleans every tree; warns how many loops (vessels marked as closing a loop where vessels
/// touch) the cleaning kept and broke.
void runCleaning(Progress& progress, Forest& forest, float relevance, bool preserveCycles);
/// The territories of every tree together: each tissue voxel goes to its nearest vessel of any.
/// The voxels of every vessel id are counted (Territories::voxelsPerId).
Territories runTerritories(Progress& progress, const Forest& forest, const Volume& tissue,
                           unsigned long long tissueVoxels);
/// Relabels @p vesselIds by @p rule built from @p forest into a new volume, or, where the ids
/// are not needed afterwards (an rvalue), in place.
Volume runRelabel(Progress& progress, const Volume& vesselIds, const Forest& forest,
                  LabelRule rule);
Volume runRelabel(Progress& progress, Volume&& vesselIds, const Forest& forest, LabelRule rule);

/// "1 vessel", "2 vessels".
std::string countText(unsigned long long n, const std::string& one, const std::string& many);

}  // namespace angiolith::tool

#endif
