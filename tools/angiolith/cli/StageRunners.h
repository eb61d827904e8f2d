#ifndef ANGIOLITH_TOOLS_CLI_STAGERUNNERS_H
#define ANGIOLITH_TOOLS_CLI_STAGERUNNERS_H

#include "cli/Progress.h"
#include "cli/Stages.h"

#include <array>
#include <list>
#include <optional>
#include <string>

namespace angiolith::tool {

/// The checks and progress lines around the library's stages, shared by `run` and the
/// sub-commands that run one stage each. Every check happens before the library is called.

/// Reads a mask and counts its non-zero voxels. Throws UserError when it has none.
Volume readMask(const std::string& path, const std::string& role, unsigned long long& voxels);

/// Throws UserError when two images do not share one grid.
void requireSameGrid(const Volume& a, const std::string& aPath, const Volume& b,
                     const std::string& bPath, const std::string& bRole);

Skeleton runThinning(Progress& progress, const Volume& mask, unsigned long long maskVoxels,
                     const ThinningOptions& options);
/// @p source names the mask or skeleton file in messages.
ArVesselTree runExtraction(Progress& progress, const Volume& skeleton, const std::string& source,
                           std::list<DistancePoint3D*>& points,
                           const std::optional<std::array<long, 3>>& start);
void runCleaning(Progress& progress, ArVesselTree& tree, float relevance, bool preserveCycles);
Territories runTerritories(Progress& progress, const ArVesselTree& tree, const Volume& tissue,
                           unsigned long long tissueVoxels);
Volume runRelabel(Progress& progress, const Volume& vesselIds, const ArVesselTree& tree,
                  LabelRule rule);

}  // namespace angiolith::tool

#endif
