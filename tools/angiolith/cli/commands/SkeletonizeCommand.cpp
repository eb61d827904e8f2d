#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"

#include <iostream>
#include <utility>

namespace angiolith::tool {

namespace {

int skeletonize(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string path = args.positional()[0];
    unsigned long long voxels = 0;
    const LabelChoice labels = labelChoiceOf(args);
    const Volume vessels = readMask(path, "vessel mask", voxels);
    const ThinningOptions thinning = thinningOf(args);
    VesselSystems systems = vesselSystemsOf(vessels, voxels, path, labels);
    StagedOutputs outputs(args.value("out"), outputFormatOf(args, path), progress);
    const Thinned skeleton = runThinning(progress, std::move(systems), thinning);
    outputs.volume("skeleton", skeleton.skeleton);
    outputs.volume("distance-field", skeleton.distances);
    outputs.commit();
    return 0;
}

}  // namespace

Command skeletonizeCommand() {
    CommandDefinition definition;
    definition.name = "skeletonize";
    definition.summary = "thin a vessel mask to its skeleton and distance field";
    definition.positionals = {"VESSELS"};
    definition.options = {outOption("skeleton and distance-field"),
                          labelOption(),
                          byLabelOption(),
                          cleaningPassesOption(),
                          mostNeighboursFirstOption(),
                          formatOption(),
                          quietOption()};
    definition.required = {"out"};
    definition.description =
        "Writes skeleton (1 on the skeleton, 0 elsewhere; with --by-label each system's label)\n"
        "and distance-field (each voxel's distance to the background, mm) with the geometry\n"
        "of VESSELS.";
    definition.example = "  angiolith skeletonize Segmentation-vessels.nrrd --out step";
    return {definition, skeletonize};
}

}  // namespace angiolith::tool
