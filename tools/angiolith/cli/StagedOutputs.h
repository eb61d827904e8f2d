#ifndef ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H
#define ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H

#include "cli/Geometry.h"
#include "cli/ImageIO.h"
#include "cli/OutputFolder.h"
#include "cli/Progress.h"
#include "cli/Volume.h"
#include "cli/report/ReportWriter.h"

#include <angiolith/tree/ArVesselTree.h>

#include <cstdint>
#include <functional>
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
    /// Writes the file @p name with @p write, which is given the path to write to.
    void file(const std::string& name, const std::function<void(const std::string&)>& write);
    /// Writes preview.png and returns its bytes (for the report).
    std::vector<std::uint8_t> preview(const Geometry& geometry, const Volume* territories,
                                      const Volume* mask, const ArVesselTree& tree);
    /// Writes report.html, which the list of written files names first: the one file a user
    /// opens.
    void report(const ReportContent& content);
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
