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
    for (ImageFormat format :
         {ImageFormat::NiftiGz, ImageFormat::Nifti, ImageFormat::Nrrd, ImageFormat::Nhdr}) {
        const std::string path = (fs::path(folder) / ("vessel-ids" + extensionOf(format))).string();
        if (fs::exists(path)) {
            results.vesselIdsPath = path;
            results.format = format;
            break;
        }
    }
    // A run writes tree-1.txt, tree-2.txt, ...; without them, a single tree.txt (as older
    // versions wrote it) is read as a forest of one tree.
    const std::string single = (fs::path(folder) / "tree.txt").string();
    const bool oneTree = !fs::exists(fs::path(folder) / treeFileName(1)) && fs::exists(single);
    if (!oneTree && !fs::exists(fs::path(folder) / treeFileName(1))) {
        throw UserError("'" + folder +
                        "' holds no tree file (tree-1.txt or tree.txt); give the --out folder "
                        "of 'angiolith run' with --tissue");
    }
    if (results.vesselIdsPath.empty()) {
        throw UserError("'" + folder +
                        "' holds no vessel-ids volume; give the --out folder of 'angiolith "
                        "run' with --tissue");
    }
    // readForest checks that the numbers have no gap and that no id is in two trees.
    results.trees = readForest(oneTree ? single : folder);
    for (std::size_t t = 0; t < results.trees.size(); ++t) {
        results.treePaths.push_back(oneTree ? single
                                            : (fs::path(folder) / treeFileName(t + 1)).string());
    }
    results.vesselIds = readImage(results.vesselIdsPath, "vessel-ID volume");
    if (results.vesselIds.pic->type != lumoTeskTypeUnsigned || results.vesselIds.pic->bits != 16) {
        throw UserError("'" + results.vesselIdsPath +
                        "' is not a vessel-ID volume (unsigned 16-bit); give the folder of a run");
    }
    // Its non-zero voxels are the tissue: without any, every volume of the plan would be 0 mL.
    if (countNonZero(*results.vesselIds.pic) == 0) {
        throw UserError("'" + results.vesselIdsPath +
                        "' assigns no voxel to a vessel, so it holds no tissue to plan on; give "
                        "the folder of a run with --tissue");
    }
    for (std::size_t t = 0; t < results.trees.size(); ++t) {
        requireVolumeIds(results.trees[t], results.treePaths[t]);
        requireTreeOnGrid(results.trees[t], results.treePaths[t], results.vesselIds.geometry,
                          "'" + results.vesselIdsPath + "'");
    }
    return results;
}

}  // namespace angiolith::tool::planning
