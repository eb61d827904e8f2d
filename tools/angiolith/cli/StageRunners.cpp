#include "cli/StageRunners.h"

#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/detail/ElementKinds.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace angiolith::tool {

namespace {

std::string labelList(const std::map<unsigned int, unsigned long long>& labels) {
    std::string list;
    for (const auto& entry : labels) {
        list += (list.empty() ? "" : ", ") + std::to_string(entry.first);
    }
    return list;
}

std::string voxelText(const Voxel& v) {
    return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]);
}

// "3 loops where vessels touch: 1 kept, 2 broken by the cleaning (--preserve-cycles keeps
// them)": what a cleaning that found @p before loops and kept @p kept did to them.
std::string loopWarning(int before, int kept, bool preserveCycles) {
    const int broken = before - kept;
    return countText(before, "loop where vessels touch", "loops where vessels touch") + ": " +
           std::to_string(kept) + " kept" +
           (broken > 0 ? ", " + std::to_string(broken) + " broken by the cleaning" : "") +
           (preserveCycles ? " (--preserve-cycles)"
            : broken > 0   ? " (--preserve-cycles keeps them)"
                           : "");
}

// How many of the centre-line samples of @p forest (first) lie on no non-zero voxel of
// @p tissue, of how many (second). The samples' positions are voxel index times spacing.
std::pair<unsigned long long, unsigned long long> samplesOutside(const Forest& forest,
                                                                 const Volume& tissue) {
    const Geometry& g = tissue.geometry;
    std::pair<unsigned long long, unsigned long long> counts{0, 0};
    angiolith::detail::visitKind(tissue.pic->type, tissue.pic->bits, [&](auto tag) {
        using T = decltype(tag);
        const auto* values = static_cast<const T*>(tissue.pic->data);
        for (const ArVesselTree& tree : forest) {
            forEachVessel(tree, [&](Vessel& vessel) {
                for (const VesselElement& e : vessel.getElementsList()) {
                    const double at[3] = {e.position.x / g.spacing[0], e.position.y / g.spacing[1],
                                          e.position.z / g.spacing[2]};
                    std::size_t index = 0, stride = 1;
                    bool inside = true;
                    for (int k = 0; k < 3; ++k) {
                        const double v = std::round(at[k]);
                        inside = inside && v >= 0 && v < g.size[k];
                        if (inside) index += static_cast<std::size_t>(v) * stride;
                        stride *= g.size[k];
                    }
                    ++counts.second;
                    if (!inside || values[index] == T(0)) ++counts.first;
                }
            });
        }
    });
    return counts;
}

// The relabel stage's progress lines around @p relabelIt, which returns the labels.
template <typename Relabel>
Volume relabelStage(Progress& progress, LabelRule rule, Relabel&& relabelIt) {
    progress.start("relabel", "by " + nameOf(rule));
    Volume labels = relabelIt();
    progress.done("relabel", "largest label " + std::to_string(maxValue16(labels)));
    return labels;
}

}  // namespace

std::string countText(unsigned long long n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

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
        throw UserError("'" + aPath + "' and the " + bRole + " '" + bPath + "' differ in " +
                        difference + "; resample the " + bRole + " onto the grid of '" + aPath +
                        "'");
    }
}

VesselSystems vesselSystemsOf(const Volume& mask, unsigned long long voxels,
                              const std::string& path, const LabelChoice& choice) {
    VesselSystems systems;
    if (!choice.label && !choice.byLabel) {
        // The binary mask's ones are the mask's object voxels, already counted.
        systems.masks.push_back({binarize(*mask.pic), mask.geometry});
        systems.labels.push_back(1);
        systems.voxels = voxels;
        return systems;
    }
    const auto labels = labelsOf(*mask.pic);
    if (!labels) {
        throw UserError("the vessel mask '" + path +
                        "' is not a label mask (it holds values that are not whole numbers from "
                        "1 to 65535); leave out --label and --by-label for a binary mask");
    }
    for (const auto& [label, voxels] : *labels) {
        if (choice.label && label != *choice.label) continue;
        systems.masks.push_back({selectLabel(*mask.pic, label), mask.geometry});
        systems.labels.push_back(label);
        systems.voxels += voxels;
    }
    if (systems.masks.empty()) {
        throw UserError("the vessel mask '" + path + "' has no voxel of label " +
                        std::to_string(*choice.label) + " (its labels: " + labelList(*labels) +
                        "); give one of them with --label");
    }
    return systems;
}

Thinned runThinning(Progress& progress, VesselSystems&& systems, const ThinningOptions& options) {
    progress.start(
        "skeletonize",
        countText(systems.voxels, "vessel voxel", "vessel voxels") +
            (systems.masks.size() > 1 ? " in " + countText(systems.masks.size(), "label", "labels")
                                      : ""));
    const Geometry grid = systems.masks.front().geometry;
    const unsigned int largest = *std::max_element(systems.labels.begin(), systems.labels.end());
    // One system of label 1 (a binary mask) keeps the volumes its thinning made; otherwise the
    // skeleton volume is written from the skeletal points with each system's label.
    const bool ownVolumes = systems.masks.size() == 1 && largest == 1;
    Thinned all;
    if (!ownVolumes) {
        all.skeleton = {makeDescriptor(lumoTeskTypeUnsigned, largest > 255 ? 16 : 8, grid.size),
                        grid};
    }
    unsigned long long skeletal = 0;
    const std::size_t n = static_cast<std::size_t>(grid.voxelCount());
    for (std::size_t s = 0; s < systems.masks.size(); ++s) {
        // Each system's mask is an unsigned 8-bit 0/1 volume of its own: it is thinned in place.
        Skeleton one = thin(std::move(systems.masks[s].pic), grid, options);
        skeletal += one.points().size();
        if (ownVolumes) {
            all.skeleton = one.takeSkeletonVolume();
        } else {
            VolumeAccessor<unsigned char> bytes(all.skeleton.pic.get(), 0, false);
            VolumeAccessor<std::uint16_t> words(all.skeleton.pic.get(), 0, false);
            for (const DistancePoint3D* p : one.points()) {
                if (all.skeleton.pic->bits == 16) {
                    words.setVoxel(p->getX(), p->getY(), p->getZ(),
                                   static_cast<std::uint16_t>(systems.labels[s]));
                } else {
                    bytes.setVoxel(p->getX(), p->getY(), p->getZ(),
                                   static_cast<unsigned char>(systems.labels[s]));
                }
            }
        }
        if (s == 0) {
            all.distances = one.takeDistanceField();
            continue;
        }
        // The systems do not overlap, and a system's distances are non-zero only on its own
        // voxels: each voxel's distance comes from its own system.
        const auto* distance = static_cast<const float*>(one.distanceField().pic->data);
        auto* distances = static_cast<float*>(all.distances.pic->data);
        for (std::size_t i = 0; i < n; ++i) {
            if (distance[i] != 0.0f) distances[i] = distance[i];
        }
    }
    progress.done("skeletonize", countText(skeletal, "skeleton voxel", "skeleton voxels"));
    return all;
}

Forest runExtraction(Progress& progress, const Volume& skeleton, const Volume& distances,
                     const std::string& source, const ForestOptions& options) {
    const SkeletonParts parts = findSkeletonParts(skeleton, options.minPart);
    const std::string leftOut =
        (parts.smallParts > 0 ? countText(parts.smallParts, "part", "parts") + " of " +
                                    countText(parts.smallVoxels, "voxel", "voxels") +
                                    " below --min-part " + std::to_string(options.minPart)
                              : "") +
        (parts.closedParts > 0
             ? std::string(parts.smallParts > 0 ? ", " : "") +
                   countText(parts.closedParts, "closed part", "closed parts") + " without an end"
             : "");
    if (parts.kept.empty()) {
        throw UserError(
            "no vessel tree can be extracted from the skeleton of " + source + ": " +
            (leftOut.empty() ? "it is empty" : "every part was left out (" + leftOut + ")") +
            "; check that the mask holds the vessels, or lower --min-part");
    }
    std::vector<std::optional<Voxel>> roots(parts.kept.size());
    std::vector<std::optional<Voxel>> startOfPart(parts.kept.size());
    for (const Voxel& start : options.starts) {
        const std::size_t p = partNearest(parts, start, distances.geometry.spacing);
        if (startOfPart[p]) {
            throw UserError("--start " + voxelText(*startOfPart[p]) + " and --start " +
                            voxelText(start) +
                            " fall on the same vessel tree; give at most one start per tree");
        }
        startOfPart[p] = start;
    }
    unsigned long long voxels = 0;
    for (const SkeletonPart& part : parts.kept) voxels += part.voxels.size();
    progress.start("extract", countText(voxels, "skeleton voxel", "skeleton voxels") + " in " +
                                  countText(parts.kept.size(), "part", "parts"));
    Forest forest;
    for (std::size_t p = 0; p < parts.kept.size(); ++p) {
        const SkeletonPart& part = parts.kept[p];
        const std::optional<Voxel> root = rootOf(part, distances, startOfPart[p]);
        try {
            forest.push_back(extractPart(part, distances, *root,
                                         options.labelsAsTypes
                                             ? std::optional<int>(static_cast<int>(part.label))
                                             : std::nullopt));
        } catch (const std::runtime_error& error) {
            throw std::runtime_error("the vessel tree of " + source + " at voxel " +
                                     voxelText(*root) + " could not be extracted: " + error.what());
        }
    }
    numberForest(forest);
    const TreeStats stats = statsOf(forest);
    int loops = 0;
    for (const ArVesselTree& tree : forest) loops += loopsOf(tree);
    progress.done("extract",
                  countText(forest.size(), "tree", "trees") + ", " +
                      countText(stats.vessels, "vessel", "vessels") + ", " +
                      countText(stats.samples, "centre-line sample", "centre-line samples") + ", " +
                      countText(loops, "loop", "loops"));
    if (!leftOut.empty()) progress.warn("extract", "left out " + leftOut);
    return forest;
}

void runCleaning(Progress& progress, Forest& forest, float relevance, bool preserveCycles) {
    auto loops = [&forest] {
        int n = 0;
        for (const ArVesselTree& tree : forest) n += loopsOf(tree);
        return n;
    };
    auto summary = [&forest](int n) {
        return countText(statsOf(forest).vessels, "vessel", "vessels") + ", " +
               countText(n, "loop", "loops");
    };
    const int before = loops();
    progress.start("clean", summary(before) + " in " + countText(forest.size(), "tree", "trees"));
    for (ArVesselTree& tree : forest) cleanTree(tree, relevance, preserveCycles);
    const int kept = loops();
    progress.done("clean", summary(kept) + (preserveCycles ? " (loops kept)" : ""));
    if (before > 0) progress.warn("clean", loopWarning(before, kept, preserveCycles));
}

Territories runTerritories(Progress& progress, const Forest& forest, const Volume& tissue,
                           unsigned long long tissueVoxels) {
    progress.start("territories", countText(tissueVoxels, "tissue voxel", "tissue voxels"));
    Territories territories = computeTerritories(joinForest(forest), tissue);
    territories.voxelsPerId = valueCounts16(*territories.vesselIds.pic);
    const unsigned long long supplying = countDistinctIds(territories.voxelsPerId);
    progress.done("territories",
                  countText(supplying, "vessel supplies", "vessels supply") + " tissue");
    // Masks that do not belong together (another case, another grid) still give territories;
    // most of the centre lines outside the tissue is the sign.
    const auto [outside, samples] = samplesOutside(forest, tissue);
    if (outside * 2 > samples) {
        progress.warn("territories",
                      std::to_string(outside) + " of " +
                          countText(samples, "centre-line sample", "centre-line samples") +
                          " lie outside the tissue mask; check that the vessel and tissue masks "
                          "belong to one case");
    }
    return territories;
}

Volume runRelabel(Progress& progress, const Volume& vesselIds, const Forest& forest,
                  LabelRule rule) {
    return relabelStage(progress, rule,
                        [&] { return relabel(vesselIds, joinForest(forest), rule); });
}

Volume runRelabel(Progress& progress, Volume&& vesselIds, const Forest& forest, LabelRule rule) {
    return relabelStage(progress, rule,
                        [&] { return relabel(std::move(vesselIds), joinForest(forest), rule); });
}

}  // namespace angiolith::tool
