#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_RESULTSFOLDER_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_RESULTSFOLDER_H

#include "cli/ImageIO.h"
#include "cli/Volume.h"

#include <angiolith/tree/ArVesselTree.h>

#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// The outputs of an earlier run that a plan starts from.
struct Results {
    std::vector<ArVesselTree> trees;
    std::vector<std::string> treePaths;
    Volume vesselIds;  ///< its non-zero voxels are the tissue; its grid is the run's grid
    std::string vesselIdsPath;
    ImageFormat format = ImageFormat::NiftiGz;  ///< the format of the run's volumes
};

/// Reads the trees (tree-1.txt, tree-2.txt, ... of a forest, or a lone tree.txt) and the
/// vessel-ID volume of a run's output folder, and checks that they fit each other: tree files
/// numbered without a gap, every vessel id in one tree only and from 1 to 65535, every sample
/// on the volume's grid. Throws UserError with a one-line message when something is missing or
/// damaged.
Results readResults(const std::string& folder);

}  // namespace angiolith::tool::planning

#endif
