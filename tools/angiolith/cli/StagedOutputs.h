#ifndef ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H
#define ANGIOLITH_TOOLS_CLI_STAGEDOUTPUTS_H

#include "cli/Geometry.h"
#include "cli/ImageIO.h"
#include "cli/OutputFolder.h"
#include "cli/Progress.h"
#include "cli/TreeFile.h"
#include "cli/Volume.h"
#include "cli/VtpWriter.h"
#include "cli/report/ReportWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace angiolith::tool {

/// The files a command writes, staged in its output folder and moved into place together by
/// commit(), which also reports them. Each output replaces every earlier version of itself in
/// the folder, whatever its format or count: a volume its files in the other formats, a forest
/// every tree file, tree.vtp and grid file of an earlier run. So a rerun into a used folder
/// leaves no earlier file that could be taken for one of the new ones.
class StagedOutputs {
public:
    StagedOutputs(const std::string& folder, ImageFormat format, Progress& progress);
    /// Writes a volume named @p base plus the format's extension.
    void volume(const std::string& base, const Volume& volume);
    /// Writes tree-1.txt, tree-2.txt, ... and, with a grid, tree.vtp and the grid file. tree.vtp
    /// holds @p lines (borrowed) when given: the forest's centre lines with further cell data;
    /// otherwise the forest's centre lines in the grid's world coordinates.
    void forest(const Forest& forest, const Geometry* grid,
                const std::vector<Polyline>* lines = nullptr);
    /// Writes the file @p name with @p write, which is given the path to write to.
    void file(const std::string& name, const std::function<void(const std::string&)>& write);
    /// Writes preview.png and returns its bytes (for the report).
    std::vector<std::uint8_t> preview(const Geometry& geometry, const Volume* territories,
                                      const Volume* mask, const Forest& forest);
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
    std::vector<std::string> volumeBases;
    bool wroteForest = false;
};

}  // namespace angiolith::tool

#endif
