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
    const DescriptorPtr binary = binarize(*skeleton.pic);
    const auto* s = static_cast<const std::uint8_t*>(binary->data);
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
    ForestOptions options;
    options.labelsAsTypes = args.has("by-label");
    if (!options.labelsAsTypes) {
        skeleton.pic = binarize(*skeleton.pic);
    } else if (!labelsOf(*skeleton.pic)) {
        throw UserError("the skeleton '" + skeletonPath +
                        "' holds values that are not labels (whole numbers from 1 to 65535); "
                        "leave out --by-label, or give the skeleton 'skeletonize --by-label' "
                        "wrote");
    } else {
        skeleton.pic.reset(lumoKralConvert(skeleton.pic.get(), lumoTeskTypeUnsigned, 16));
        if (!skeleton.pic) throw std::bad_alloc();
    }
    Volume distances = readImage(distancePath, "distance field");
    requireSameGrid(skeleton, skeletonPath, distances, distancePath, "distance field");
    if (distances.pic->type != lumoTeskTypeFloat || distances.pic->bits != 32) {
        distances.pic.reset(lumoKralConvert(distances.pic.get(), lumoTeskTypeFloat, 32));
        if (!distances.pic) throw std::bad_alloc();
    }
    requirePositiveOnSkeleton(skeleton, distances, distancePath);
    options.starts = startsOf(args, skeleton.geometry);
    options.minPart = minPartOf(args);
    StagedOutputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    const Forest forest =
        runExtraction(progress, skeleton, distances, "'" + skeletonPath + "'", options);
    outputs.forest(forest, &skeleton.geometry);
    outputs.commit();
    return 0;
}

}  // namespace

Command extractCommand() {
    CommandDefinition definition;
    definition.name = "extract";
    definition.summary = "extract the vessel trees from a skeleton, one per connected part";
    definition.positionals = {"SKELETON"};
    definition.options = {
        {"distance-field", "FILE", "the distance field written with the skeleton"},
        outOption("the tree files, tree.vtp and grid.json"),
        startOption(),
        minPartOption(),
        {"by-label", "",
         "the skeleton holds labels (skeletonize --by-label): type each tree's "
         "vessels by its label"},
        quietOption()};
    definition.required = {"distance-field", "out"};
    definition.repeatable = {"start"};
    definition.description =
        "Writes tree-1.txt, tree-2.txt, ... (one tree per connected part of the skeleton,\n"
        "largest first, in the library's text format, positions = voxel index times spacing),\n"
        "grid.json (the skeleton's grid) and tree.vtp (VTK PolyData in millimetres, LPS frame,\n"
        "with 'radius', 'vesselId' and 'treeId'). Each tree is rooted at its thickest end.";
    definition.example =
        "  angiolith extract step/skeleton.nrrd --distance-field step/distance-field.nrrd \\\n"
        "      --out step --start 120,88,40";
    return {definition, extract};
}

}  // namespace angiolith::tool
