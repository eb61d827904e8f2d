#ifndef ANGIOLITH_TOOLS_PIPELINE_H
#define ANGIOLITH_TOOLS_PIPELINE_H

#include "angiolith/Arguments.h"
#include "angiolith/ImageIO.h"
#include "angiolith/OutputFolder.h"
#include "angiolith/Progress.h"
#include "angiolith/Stages.h"

#include <array>
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

/// The --start voxel, when given. Throws UserError when it lies outside @p geometry.
std::optional<std::array<long, 3>> startOf(const Arguments& args, const Geometry& geometry);

/// The --format of the written volumes, by default that of @p inputPath.
ImageFormat outputFormatOf(const Arguments& args, const std::string& inputPath);

/// The --relevance threshold (0.5 when not given).
float relevanceOf(const Arguments& args);
/// The --labels rule (segment when not given).
LabelRule labelRuleOf(const Arguments& args);
/// The thinning options (--cleaning-passes, --most-neighbours-first).
ThinningOptions thinningOf(const Arguments& args);

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

/// The files a command writes, staged in its output folder and moved into place together by
/// commit(), which also reports them.
class Outputs {
public:
    Outputs(const std::string& folder, ImageFormat format, Progress& progress);
    /// Writes a volume named @p base plus the format's extension.
    void volume(const std::string& base, const Volume& volume);
    /// Writes tree.txt and, with a geometry, tree.vtp in that geometry's world coordinates.
    void tree(ArVesselTree& tree, const Geometry* geometry);
    /// Writes preview.png.
    void preview(const Geometry& geometry, const Volume* territories, const Volume* mask,
                 const ArVesselTree& tree);
    void commit();

private:
    /// Prints the start line before the first file.
    void begin();

    OutputFolder folder;
    ImageFormat format;
    Progress& progress;
    std::vector<std::string> names;
};

/// The option descriptions several commands share.
OptionSpec outOption(const std::string& what);
OptionSpec formatOption();
OptionSpec quietOption();
OptionSpec relevanceOption();
OptionSpec preserveCyclesOption();
OptionSpec cleaningPassesOption();
OptionSpec mostNeighboursFirstOption();

}  // namespace angiolith::tool

#endif
