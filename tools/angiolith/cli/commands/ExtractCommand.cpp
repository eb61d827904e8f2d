#include "cli/Command.h"
#include "cli/OptionReaders.h"
#include "cli/StageRunners.h"
#include "cli/StagedOutputs.h"
#include "cli/UserError.h"

#include <angiolith/image/lumoKralConvert.h>

#include <cmath>
#include <cstdint>
#include <iostream>

namespace angiolith::tool {

namespace {

// The diameters come from the distance field: a skeleton voxel without a positive finite
// distance means the field does not belong to the skeleton.
void requirePositiveOnSkeleton(const Volume& skeleton, const Volume& distances,
                               const std::string& distancePath) {
    const auto* s = static_cast<const std::uint8_t*>(skeleton.pic->data);
    const auto* d = static_cast<const float*>(distances.pic->data);
    for (unsigned long long i = 0; i < skeleton.geometry.voxelCount(); ++i) {
        if (s[i] != 0 && !(d[i] > 0.0f && std::isfinite(d[i]))) {
            throw UserError("the distance field '" + distancePath +
                            "' is not positive on every skeleton voxel; give the "
                            "distance-field that was written with the skeleton");
        }
    }
}

int extract(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string skeletonPath = args.positional()[0];
    const std::string distancePath = args.value("distance-field");
    unsigned long long voxels = 0;
    Volume skeleton = readMask(skeletonPath, "skeleton", voxels);
    skeleton.pic = binarize(*skeleton.pic);
    Volume distances = readImage(distancePath, "distance field");
    requireSameGrid(skeleton, skeletonPath, distances, distancePath, "distance field");
    if (distances.pic->type != lumoTeskTypeFloat || distances.pic->bits != 32) {
        distances.pic.reset(lumoKralConvert(distances.pic.get(), lumoTeskTypeFloat, 32));
        if (!distances.pic) throw std::bad_alloc();
    }
    requirePositiveOnSkeleton(skeleton, distances, distancePath);
    const auto start = startOf(args, skeleton.geometry);
    StagedOutputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    SkeletonPoints points(skeleton, distances);
    ArVesselTree tree =
        runExtraction(progress, skeleton, "'" + skeletonPath + "'", points.list(), start);
    outputs.tree(tree, &skeleton.geometry);
    outputs.commit();
    return 0;
}

}  // namespace

Command extractCommand() {
    CommandDefinition definition;
    definition.name = "extract";
    definition.summary = "extract the vessel tree from a skeleton";
    definition.positionals = {"SKELETON"};
    definition.options = {
        {"distance-field", "FILE", "the distance field written with the skeleton"},
        outOption("tree.txt and tree.vtp"),
        {"start", "X,Y,Z", "voxel near the root of the tree"},
        quietOption()};
    definition.required = {"distance-field", "out"};
    definition.description =
        "Writes tree.txt (the library's text format, positions = voxel index times spacing)\n"
        "and tree.vtp (VTK PolyData in millimetres, LPS frame, with 'radius' and 'vesselId').";
    definition.example =
        "  angiolith extract step/skeleton.nrrd --distance-field step/distance-field.nrrd \\\n"
        "      --out step --start 120,88,40";
    return {definition, extract};
}

}  // namespace angiolith::tool
