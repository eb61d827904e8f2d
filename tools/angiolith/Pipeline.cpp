#include "angiolith/Pipeline.h"

#include "angiolith/PngPreview.h"
#include "angiolith/TreeFile.h"
#include "angiolith/UserError.h"
#include "angiolith/VtpWriter.h"

#include <set>

namespace angiolith::tool {

namespace {

std::string count(unsigned long long n, const std::string& what) {
    return std::to_string(n) + " " + what;
}

}  // namespace

Volume readMask(const std::string& path, const std::string& role, unsigned long long& voxels) {
    Volume mask = readImage(path, role);
    voxels = countNonZero(*mask.pic);
    if (voxels == 0) {
        throw UserError("the " + role + " '" + path +
                        "' has no non-zero voxel; check that you exported the right segment");
    }
    return mask;
}

void requireSameGrid(const Volume& a, const std::string& aPath, const Volume& b,
                     const std::string& bPath, const std::string& bRole) {
    const std::string difference = geometryDifference(a.geometry, b.geometry);
    if (!difference.empty()) {
        throw UserError("the " + bRole + " '" + bPath + "' and '" + aPath + "' differ in " +
                        difference + "; resample the " + bRole + " onto the grid of '" + aPath +
                        "'");
    }
}

std::optional<std::array<long, 3>> startOf(const Arguments& args, const Geometry& geometry) {
    if (!args.has("start")) return std::nullopt;
    const std::array<long, 3> start = args.integerTriple("start");
    for (int i = 0; i < 3; ++i) {
        if (start[i] < 0 || start[i] >= static_cast<long>(geometry.size[i])) {
            throw UserError("--start " + args.value("start") +
                            " lies outside the volume (voxel indices 0.." +
                            std::to_string(geometry.size[0] - 1) + ", 0.." +
                            std::to_string(geometry.size[1] - 1) + ", 0.." +
                            std::to_string(geometry.size[2] - 1) +
                            "); give a voxel inside it, near the root of the tree");
        }
    }
    return start;
}

ImageFormat outputFormatOf(const Arguments& args, const std::string& inputPath) {
    if (args.has("format")) {
        const std::string name = args.choice("format", {"nii.gz", "nii", "nrrd", "nhdr"}, "");
        return *formatOfName(name);
    }
    return formatOfPath(inputPath).value_or(ImageFormat::NiftiGz);
}

float relevanceOf(const Arguments& args) {
    return static_cast<float>(args.numberValue("relevance", 0.5));
}

LabelRule labelRuleOf(const Arguments& args) {
    return *labelRuleOf(args.choice("labels", {"segment", "type", "resection"}, "segment"));
}

ThinningOptions thinningOf(const Arguments& args) {
    ThinningOptions options;
    options.cleaningPasses = static_cast<unsigned int>(args.unsignedValue("cleaning-passes", 0));
    options.mostNeighboursFirst = args.has("most-neighbours-first");
    return options;
}

Skeleton runThinning(Progress& progress, const Volume& mask, unsigned long long maskVoxels,
                     const ThinningOptions& options) {
    progress.start("skeletonize", count(maskVoxels, "vessel voxels"));
    Skeleton skeleton = thin(mask, options);
    progress.done("skeletonize", count(skeleton.points().size(), "skeleton voxels"));
    return skeleton;
}

ArVesselTree runExtraction(Progress& progress, const Volume& skeleton, const std::string& source,
                           std::list<DistancePoint3D*>& points,
                           const std::optional<std::array<long, 3>>& start) {
    const std::string obstacle = extractionObstacle(skeleton, start.has_value());
    if (!obstacle.empty()) {
        throw UserError("no vessel tree can be extracted from the skeleton of " + source + ": " +
                        obstacle + "; check that the mask holds the vessels");
    }
    progress.start("extract", count(points.size(), "skeleton voxels"));
    ArVesselTree tree;
    try {
        tree = extractTree(skeleton, points, start);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("the vessel tree of " + source +
                                 " could not be extracted: " + error.what());
    }
    const TreeStats stats = statsOf(tree);
    progress.done("extract", count(stats.vessels, "vessels") + ", " +
                                 count(stats.samples, "centre-line samples"));
    return tree;
}

void runCleaning(Progress& progress, ArVesselTree& tree, float relevance, bool preserveCycles) {
    progress.start("clean", count(statsOf(tree).vessels, "vessels"));
    cleanTree(tree, relevance, preserveCycles);
    progress.done("clean", count(statsOf(tree).vessels, "vessels"));
}

Territories runTerritories(Progress& progress, const ArVesselTree& tree, const Volume& tissue,
                           unsigned long long tissueVoxels) {
    progress.start("territories", count(tissueVoxels, "tissue voxels"));
    Territories territories = computeTerritories(tree, tissue);
    std::set<unsigned int> ids;
    const auto* values = static_cast<const std::uint16_t*>(territories.vesselIds.pic->data);
    for (unsigned long long i = 0; i < tissue.geometry.voxelCount(); ++i) {
        if (values[i] != 0) ids.insert(values[i]);
    }
    progress.done("territories", count(ids.size(), "vessels supply tissue"));
    return territories;
}

Volume runRelabel(Progress& progress, const Volume& vesselIds, const ArVesselTree& tree,
                  LabelRule rule) {
    progress.start("relabel", "by " + nameOf(rule));
    Volume labels = relabel(vesselIds, tree, rule);
    progress.done("relabel", "largest label " + std::to_string(maxValue16(labels)));
    return labels;
}

Outputs::Outputs(const std::string& theFolder, ImageFormat theFormat, Progress& theProgress)
    : folder(theFolder), format(theFormat), progress(theProgress) {}

void Outputs::begin() {
    if (names.empty()) progress.start("write", folder.path());
}

void Outputs::volume(const std::string& base, const Volume& volume) {
    begin();
    const std::string name = base + extensionOf(format);
    writeImage(folder.stagingPath(name), volume);
    names.push_back(name);
}

void Outputs::tree(ArVesselTree& tree, const Geometry* geometry) {
    begin();
    writeTreeFile(folder.stagingPath("tree.txt"), tree);
    names.push_back("tree.txt");
    if (geometry != nullptr) {
        writeVtpFile(folder.stagingPath("tree.vtp"), worldLines(tree, *geometry));
        names.push_back("tree.vtp");
    }
}

void Outputs::preview(const Geometry& geometry, const Volume* territories, const Volume* mask,
                      const ArVesselTree& tree) {
    begin();
    DescriptorPtr binary;
    if (territories == nullptr && mask != nullptr) binary = binarize(*mask->pic);
    writePng(folder.stagingPath("preview.png"),
             renderPreview(geometry, territories != nullptr ? territories->pic.get() : nullptr,
                           binary.get(), indexLines(tree, geometry)));
    names.push_back("preview.png");
}

void Outputs::commit() {
    folder.commit();
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    progress.done("write", list);
}

OptionSpec outOption(const std::string& what) {
    return {"out", "DIR", "folder to write " + what + " into (created if missing)"};
}

OptionSpec formatOption() {
    return {"format", "FORMAT",
            "format of the written volumes: nii.gz, nii, nrrd or nhdr (default: that of the "
            "input)"};
}

OptionSpec quietOption() { return {"quiet", "", "print no progress lines"}; }

OptionSpec relevanceOption() {
    return {"relevance", "T",
            "cleaning threshold: a side branch stays when it reaches 1/(1-T) parent radii from "
            "its branching point (default 0.5: two radii)"};
}

OptionSpec preserveCyclesOption() {
    return {"preserve-cycles", "", "keep side branches that close a loop with another vessel"};
}

OptionSpec cleaningPassesOption() {
    return {"cleaning-passes", "N",
            "remove line ends during the first N thinning passes (default 0: plain thinning)"};
}

OptionSpec mostNeighboursFirstOption() {
    return {"most-neighbours-first", "",
            "thin the candidates with the most object neighbours first"};
}

}  // namespace angiolith::tool
