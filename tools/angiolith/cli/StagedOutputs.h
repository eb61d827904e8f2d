#ifndef ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H
#define ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H

#include "cli/Geometry.h"
#include "cli/ImageIO.h"
#include "cli/OutputFolder.h"
#include "cli/Progress.h"
#include "cli/Volume.h"

#include <angiolith/tree/ArVesselTree.h>

#include <string>
#include <vector>

namespace angiolith::tool {

/// The files a command writes, staged in its output folder and moved into place together by
/// commit(), which also reports them.
class StagedOutputs {
public:
    StagedOutputs(const std::string& folder, ImageFormat format, Progress& progress);
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

}  // namespace angiolith::tool

#endif
