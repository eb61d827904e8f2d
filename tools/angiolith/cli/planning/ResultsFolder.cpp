#include "cli/planning/ResultsFolder.h"

#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <filesystem>

namespace angiolith::tool::planning {

namespace fs = std::filesystem;

Results readResults(const std::string& folder) {
    if (!fs::is_directory(folder)) {
        throw UserError("'" + folder +
                        "' is not a folder; give the --out folder of 'angiolith run'");
    }
    Results results;
    const std::string single = (fs::path(folder) / "tree.txt").string();
    if (fs::exists(single)) {
        results.treePaths.push_back(single);
    } else {
        for (int n = 1;; ++n) {
            const std::string path =
                (fs::path(folder) / ("tree-" + std::to_string(n) + ".txt")).string();
            if (!fs::exists(path)) break;
            results.treePaths.push_back(path);
        }
    }
    for (ImageFormat format :
         {ImageFormat::NiftiGz, ImageFormat::Nifti, ImageFormat::Nrrd, ImageFormat::Nhdr}) {
        const std::string path = (fs::path(folder) / ("vessel-ids" + extensionOf(format))).string();
        if (fs::exists(path)) {
            results.vesselIdsPath = path;
            results.format = format;
            break;
        }
    }
    if (results.treePaths.empty() || results.vesselIdsPath.empty()) {
        throw UserError("'" + folder + "' holds no " +
                        (results.treePaths.empty() ? std::string("tree file (tree.txt)")
                                                   : std::string("vessel-ids volume")) +
                        "; give the --out folder of 'angiolith run' with --tissue");
    }
    results.vesselIds = readImage(results.vesselIdsPath, "vessel-ID volume");
    if (results.vesselIds.pic->type != lumoTeskTypeUnsigned || results.vesselIds.pic->bits != 16) {
        throw UserError("'" + results.vesselIdsPath +
                        "' is not a vessel-ID volume (unsigned 16-bit); give the folder of a run");
    }
    for (const std::string& path : results.treePaths) {
        ArVesselTree tree = readTreeFile(path);
        requireVolumeIds(tree, path);
        requireTreeOnGrid(tree, path, results.vesselIds.geometry,
                          "'" + results.vesselIdsPath + "'");
        results.trees.push_back(tree);
    }
    return results;
}

}  // namespace angiolith::tool::planning
