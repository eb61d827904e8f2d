#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"

#include <iostream>

namespace angiolith::tool {

namespace {

int skeletonize(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string path = args.positional()[0];
    unsigned long long voxels = 0;
    const Volume vessels = readMask(path, "vessel mask", voxels);
    const ThinningOptions thinning = thinningOf(args);
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, path), progress);
    Skeleton skeleton = runThinning(progress, vessels, voxels, thinning);
    outputs.volume("skeleton", skeleton.skeletonVolume());
    outputs.volume("distance-field", skeleton.distanceField());
    outputs.commit();
    return 0;
}

}  // namespace

Command skeletonizeCommand() {
    CommandDefinition definition;
    definition.name = "skeletonize";
    definition.summary = "thin a vessel mask to its skeleton and distance field";
    definition.positionals = {"VESSELS"};
    definition.options = {outOption("skeleton and distance-field"), cleaningPassesOption(),
                          mostNeighboursFirstOption(), formatOption(), quietOption()};
    definition.required = {"out"};
    definition.description =
        "Writes skeleton (1 on the skeleton, 0 elsewhere) and distance-field (each voxel's\n"
        "distance to the background, mm) with the geometry of VESSELS.";
    definition.example = "  angiolith skeletonize Segmentation-vessels.nrrd --out step";
    return {definition, skeletonize};
}

}  // namespace angiolith::tool
