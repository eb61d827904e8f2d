#include "angiolith/Command.h"
#include "angiolith/Pipeline.h"
#include "angiolith/TreeFile.h"
#include "angiolith/UserError.h"

#include <angiolith/image/lumoKralConvert.h>

#include <cmath>
#include <cstdint>
#include <iostream>

namespace angiolith::tool {

namespace {

int skeletonize(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string path = args.positional()[0];
    unsigned long long voxels = 0;
    const Volume vessels = readMask(path, "vessel mask", voxels);
    const ThinningOptions thinning = thinningOf(args);
    Outputs outputs(args.value("out"), outputFormatOf(args, path), progress);
    Skeleton skeleton = runThinning(progress, vessels, voxels, thinning);
    outputs.volume("skeleton", skeleton.skeletonVolume());
    outputs.volume("distance-field", skeleton.distanceField());
    outputs.commit();
    return 0;
}

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
    Outputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    SkeletonPoints points(skeleton, distances);
    ArVesselTree tree =
        runExtraction(progress, skeleton, "'" + skeletonPath + "'", points.list(), start);
    outputs.tree(tree, &skeleton.geometry);
    outputs.commit();
    return 0;
}

int clean(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string treePath = args.positional()[0];
    ArVesselTree tree = readTreeFile(treePath);
    std::optional<Volume> reference;
    if (args.has("reference")) {
        reference = readImage(args.value("reference"), "reference image");
        requireTreeOnGrid(tree, treePath, reference->geometry, "'" + args.value("reference") + "'");
    }
    const float relevance = relevanceOf(args);
    Outputs outputs(args.value("out"), ImageFormat::NiftiGz, progress);
    runCleaning(progress, tree, relevance, args.has("preserve-cycles"));
    outputs.tree(tree, reference ? &reference->geometry : nullptr);
    outputs.commit();
    return 0;
}

int territories(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string treePath = args.positional()[0];
    const std::string tissuePath = args.value("tissue");
    ArVesselTree tree = readTreeFile(treePath);
    requireVolumeIds(tree, treePath);
    unsigned long long voxels = 0;
    const Volume tissue = readMask(tissuePath, "tissue mask", voxels);
    requireTreeOnGrid(tree, treePath, tissue.geometry, "the tissue mask '" + tissuePath + "'");
    Outputs outputs(args.value("out"), outputFormatOf(args, tissuePath), progress);
    const Territories result = runTerritories(progress, tree, tissue, voxels);
    outputs.volume("vessel-ids", result.vesselIds);
    outputs.volume("distances", result.distances);
    outputs.preview(tissue.geometry, &result.vesselIds, nullptr, tree);
    outputs.commit();
    return 0;
}

int relabelIds(const Arguments& args) {
    Progress progress(std::cout, args.has("quiet"));
    const std::string idsPath = args.positional()[0];
    const std::string treePath = args.value("tree");
    const Volume ids = readImage(idsPath, "vessel-ID volume");
    if (ids.pic->type != lumoTeskTypeUnsigned || ids.pic->bits != 16) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds " +
                        kindName(ids.pic->type, ids.pic->bits) +
                        " elements, not uint16; give the vessel-ids file that 'angiolith "
                        "territories' wrote");
    }
    ArVesselTree tree = readTreeFile(treePath);
    const TreeStats stats = statsOf(tree);
    const unsigned int largest = maxValue16(ids);
    if (static_cast<long>(largest) > stats.maxId) {
        throw UserError("the vessel-ID volume '" + idsPath + "' holds vessel id " +
                        std::to_string(largest) + ", but the largest id in '" + treePath + "' is " +
                        std::to_string(stats.maxId) +
                        "; give the tree the territories were computed from");
    }
    const LabelRule rule = labelRuleOf(args);
    Outputs outputs(args.value("out"), outputFormatOf(args, idsPath), progress);
    const Volume labels = runRelabel(progress, ids, tree, rule);
    outputs.volume("labels-" + nameOf(rule), labels);
    outputs.commit();
    return 0;
}

}  // namespace

Command skeletonizeCommand() {
    CommandSpec definition;
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

Command extractCommand() {
    CommandSpec definition;
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

Command cleanCommand() {
    CommandSpec definition;
    definition.name = "clean";
    definition.summary = "remove irrelevant side branches from a tree and join vessel chains";
    definition.positionals = {"TREE"};
    definition.options = {
        outOption("tree.txt (and tree.vtp)"),
        relevanceOption(),
        preserveCyclesOption(),
        {"reference", "IMAGE", "the image the tree was extracted from, to write tree.vtp as well"},
        quietOption()};
    definition.required = {"out"};
    definition.example =
        "  angiolith clean step/tree.txt --relevance 0.6 --reference Segmentation-vessels.nrrd \\\n"
        "      --out step";
    return {definition, clean};
}

Command territoriesCommand() {
    CommandSpec definition;
    definition.name = "territories";
    definition.summary = "assign every tissue voxel to its nearest vessel";
    definition.positionals = {"TREE"};
    definition.options = {{"tissue", "LIVER", "tissue mask on the grid of the vessel mask"},
                          outOption("vessel-ids, distances and preview.png"),
                          formatOption(),
                          quietOption()};
    definition.required = {"tissue", "out"};
    definition.description =
        "Writes vessel-ids (uint16: the id of the nearest vessel, 0 outside the tissue),\n"
        "distances (float: millimetres to that vessel's centre line) and preview.png.";
    definition.example =
        "  angiolith territories step/tree.txt --tissue Segmentation-liver.nrrd --out step";
    return {definition, territories};
}

Command relabelCommand() {
    CommandSpec definition;
    definition.name = "relabel";
    definition.summary = "turn a vessel-ID volume into segments, vessel types or resection states";
    definition.positionals = {"VESSEL_IDS"};
    definition.options = {{"tree", "TREE", "the tree the territories were computed from"},
                          outOption("labels-RULE"),
                          {"labels", "RULE", "segment, type or resection (default segment)"},
                          formatOption(),
                          quietOption()};
    definition.required = {"tree", "out"};
    definition.description =
        "Each vessel's attributes come from TREE: edit its segment (third number of a vessel\n"
        "record), type (fourth: 1 hepatic, 2 portal) or resection status (fifth) in tree.txt\n"
        "and relabel again.";
    definition.example =
        "  angiolith relabel step/vessel-ids.nrrd --tree step/tree.txt --labels type --out step";
    return {definition, relabelIds};
}

}  // namespace angiolith::tool
