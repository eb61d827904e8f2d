#include "cli/Stages.h"

#include "cli/Threads.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>
#include <angiolith/diagnostics/Diagnostics.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>
#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <new>
#include <string>
#include <utility>

namespace angiolith::tool {

namespace {

// While alive, the library's diagnostic lines for the error stream are dropped: the path finder
// writes there the text of the exception it then throws, which the tool reports once, in its own
// one-line message. Other lines go where they went before.
class ErrorLinesDropped {
public:
    ErrorLinesDropped()
        : previous(setDiagnosticSink([this](DiagnosticStream stream, const std::string& line) {
              if (stream == DiagnosticStream::Error) return;
              if (previous) {
                  previous(stream, line);
              } else {
                  std::cout << line << std::endl;
              }
          })) {}
    ~ErrorLinesDropped() { setDiagnosticSink(std::move(previous)); }
    ErrorLinesDropped(const ErrorLinesDropped&) = delete;
    ErrorLinesDropped& operator=(const ErrorLinesDropped&) = delete;

private:
    DiagnosticSink previous;
};

// A descriptor that takes over the header and element buffer of @p pic, leaving @p pic
// without data, so that the accessor owning @p pic can go without a copy of the voxels.
DescriptorPtr takeData(lumoTeskDescriptor* pic) {
    DescriptorPtr moved(lumoTeskCopyHeader(pic, nullptr));
    if (!moved) throw std::bad_alloc();
    moved->data = pic->data;
    pic->data = nullptr;
    return moved;
}

template <typename T>
void setSpacing(T& accessor, const Geometry& g) {
    accessor.setVoxelSizeX(static_cast<float>(g.spacing[0]));
    accessor.setVoxelSizeY(static_cast<float>(g.spacing[1]));
    accessor.setVoxelSizeZ(static_cast<float>(g.spacing[2]));
}

std::unique_ptr<AbstractRelabelingRule> relabelingRuleOf(const ArVesselTree& tree, LabelRule rule) {
    switch (rule) {
        case LabelRule::Segment:
            return std::make_unique<IdToSegmentRelabelingRule>(tree);
        case LabelRule::Type:
            return std::make_unique<IdToTypeRelabelingRule>(tree);
        case LabelRule::Resection:
            return std::make_unique<IdToResectionStatusRelabelingRule>(tree);
    }
    return nullptr;
}

}  // namespace

Skeleton::Skeleton(std::unique_ptr<SelleSkeletonizer> theSkeletonizer, DescriptorPtr theWorking,
                   Volume theDistances, Volume theSkeleton)
    : working(std::move(theWorking)),
      skeletonizer(std::move(theSkeletonizer)),
      distances(std::move(theDistances)),
      skeleton(std::move(theSkeleton)) {}

Skeleton thin(DescriptorPtr working, const Geometry& geometry, const ThinningOptions& options) {
    std::unique_ptr<SelleSkeletonizer> skeletonizer;
    if (options.cleaningPasses > 0) {
        skeletonizer = std::make_unique<CleaningSelleSkeletonizer>(
            working.get(), options.mostNeighboursFirst, options.cleaningPasses, false);
    } else {
        skeletonizer =
            std::make_unique<SelleSkeletonizer>(working.get(), options.mostNeighboursFirst, false);
    }
    skeletonizer->setVolumeVoxelSizeX(static_cast<float>(geometry.spacing[0]));
    skeletonizer->setVolumeVoxelSizeY(static_cast<float>(geometry.spacing[1]));
    skeletonizer->setVolumeVoxelSizeZ(static_cast<float>(geometry.spacing[2]));
    skeletonizer->skeletonize();

    Volume distances{DescriptorPtr(skeletonizer->getDistanceFieldPic()), geometry};
    Volume skeleton{makeDescriptor(lumoTeskTypeUnsigned, 8, geometry.size), geometry};
    VolumeAccessor<unsigned char> out(skeleton.pic.get(), 0, false);
    for (const DistancePoint3D* p : *skeletonizer->getSkeletalVoxels()) {
        out.setVoxel(p->getX(), p->getY(), p->getZ(), 1);
    }
    return Skeleton(std::move(skeletonizer), std::move(working), std::move(distances),
                    std::move(skeleton));
}

SkeletonPoints::SkeletonPoints(const Volume& skeleton, const Volume& distanceField) {
    const auto& n = skeleton.geometry.size;
    VolumeAccessor<unsigned char> s(skeleton.pic.get(), 0, false);
    VolumeAccessor<float> d(distanceField.pic.get(), 0.0f, false);
    for (unsigned int z = 0; z < n[2]; ++z) {
        for (unsigned int y = 0; y < n[1]; ++y) {
            for (unsigned int x = 0; x < n[0]; ++x) {
                const auto sx = static_cast<short>(x), sy = static_cast<short>(y),
                           sz = static_cast<short>(z);
                if (s.getVoxel(sx, sy, sz) == 0) continue;
                owned.push_back(
                    std::make_unique<DistancePoint3D>(sx, sy, sz, d.getVoxel(sx, sy, sz), 0, 0));
                pointers.push_back(owned.back().get());
            }
        }
    }
}

std::string extractionObstacle(const Volume& skeleton, bool withStart) {
    const auto& n = skeleton.geometry.size;
    const auto* values = static_cast<const std::uint8_t*>(skeleton.pic->data);
    const long nx = n[0], ny = n[1], nz = n[2];
    auto on = [&](long x, long y, long z) {
        return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz &&
               values[(z * ny + y) * nx + x] != 0;
    };
    auto neighbours = [&](long x, long y, long z, auto&& visit) {
        for (long dz = -1; dz <= 1; ++dz) {
            for (long dy = -1; dy <= 1; ++dy) {
                for (long dx = -1; dx <= 1; ++dx) {
                    if ((dx != 0 || dy != 0 || dz != 0) && on(x + dx, y + dy, z + dz)) {
                        visit(x + dx, y + dy, z + dz);
                    }
                }
            }
        }
    };
    std::vector<bool> seen(static_cast<std::size_t>(nx * ny * nz), false);
    long largest = 0;
    bool largestCanStart = false, anyCanStart = false;
    for (long z = 0; z < nz; ++z) {
        for (long y = 0; y < ny; ++y) {
            for (long x = 0; x < nx; ++x) {
                const long seed = (z * ny + y) * nx + x;
                if (!on(x, y, z) || seen[seed]) continue;
                long count = 0;
                bool canStart = false;
                std::vector<std::array<long, 3>> queue{{x, y, z}};
                seen[seed] = true;
                while (!queue.empty()) {
                    const auto [vx, vy, vz] = queue.back();
                    queue.pop_back();
                    ++count;
                    int degree = 0;
                    neighbours(vx, vy, vz, [&](long qx, long qy, long qz) {
                        ++degree;
                        const long q = (qz * ny + qy) * nx + qx;
                        if (!seen[q]) {
                            seen[q] = true;
                            queue.push_back({qx, qy, qz});
                        }
                    });
                    canStart = canStart || degree <= 2;
                }
                anyCanStart = anyCanStart || canStart;
                if (count > largest) {
                    largest = count;
                    largestCanStart = canStart;
                }
            }
        }
    }
    if (largest == 0) return "it is empty";
    if (withStart ? !anyCanStart : !largestCanStart) {
        return std::string("it has no end or line voxel to start from") +
               (withStart ? "" : " in its largest part") +
               " (every voxel branches, as on a closed surface)";
    }
    return "";
}

ArVesselTree extractTree(const Volume& skeleton, std::list<DistancePoint3D*>& points,
                         const std::optional<std::array<long, 3>>& start) {
    // The extractor writes its labels into the skeleton volume: it gets a copy.
    DescriptorPtr labels(lumoTeskClone(skeleton.pic.get()));
    if (!labels) throw std::bad_alloc();
    VolumeAccessor<unsigned char> volume(labels.get(), 0, false);
    setSpacing(volume, skeleton.geometry);
    std::unique_ptr<Point3D> startPoint;
    if (start) {
        startPoint = std::make_unique<Point3D>(static_cast<short>((*start)[0]),
                                               static_cast<short>((*start)[1]),
                                               static_cast<short>((*start)[2]));
    }
    BreadthFirstTreeExtractor extractor;
    const ErrorLinesDropped quiet;
    return extractor.getTree(&volume, &points, startPoint.get());
}

void cleanTree(ArVesselTree& tree, float relevance, bool preserveCycles) {
    RelevanceVesselTreeCleaner cleaner(relevance, preserveCycles);
    cleaner.cleanTree(tree);
}

Territories computeTerritories(const ArVesselTree& tree, const Volume& tissue) {
    return computeTerritories(tree, binarize(*tissue.pic), tissue.geometry, TerritoryOptions());
}

Territories computeTerritories(const ArVesselTree& tree, DescriptorPtr tissue,
                               const Geometry& geometry, TerritoryOptions options) {
    // The tree's positions are voxel index times spacing, so the classifier works in that
    // frame: spacing set, origin 0, identity transform. The files get the full geometry.
    auto* accessor = new ThreeDPicAccessor<unsigned char>(tissue.release(), true, 0);
    accessor->setVoxelSize(static_cast<float>(geometry.spacing[0]),
                           static_cast<float>(geometry.spacing[1]),
                           static_cast<float>(geometry.spacing[2]));
    SuppliedTissueClassifier classifier(accessor, tree);
    // The results are the same on any number of threads.
    classifier.setNumberOfThreads(options.threads.value_or(workerThreads()));
    if (options.sampler) classifier.setVesselTreeSampler(options.sampler.release());
    classifier.setCalculateDistanceVolume(options.distances);
    classifier.computeSuppliedTissue();
    Territories result;
    result.vesselIds = {takeData(classifier.getVesselIDVolume()->getPic()), geometry};
    if (options.distances) {
        result.distances = {takeData(classifier.getDistanceVolume()->getPic()), geometry};
    }
    return result;
}

std::optional<LabelRule> labelRuleOf(const std::string& name) {
    if (name == "segment") return LabelRule::Segment;
    if (name == "type") return LabelRule::Type;
    if (name == "resection") return LabelRule::Resection;
    return std::nullopt;
}

std::string nameOf(LabelRule rule) {
    switch (rule) {
        case LabelRule::Segment:
            return "segment";
        case LabelRule::Type:
            return "type";
        case LabelRule::Resection:
            return "resection";
    }
    return "";
}

Volume relabel(const Volume& vesselIds, const ArVesselTree& tree, LabelRule rule) {
    const std::unique_ptr<AbstractRelabelingRule> theRule = relabelingRuleOf(tree, rule);
    DescriptorPtr labels(VesselIDRelabeling::relabel(vesselIds.pic.get(), theRule.get(), true));
    if (!labels) throw std::bad_alloc();
    return {std::move(labels), vesselIds.geometry};
}

Volume relabel(Volume&& vesselIds, const ArVesselTree& tree, LabelRule rule) {
    const std::unique_ptr<AbstractRelabelingRule> theRule = relabelingRuleOf(tree, rule);
    VesselIDRelabeling::relabel(vesselIds.pic.get(), theRule.get(), false);
    return std::move(vesselIds);
}

unsigned int maxValue16(const Volume& volume) {
    const auto* values = static_cast<const std::uint16_t*>(volume.pic->data);
    const auto n = volume.geometry.voxelCount();
    return n == 0 ? 0 : *std::max_element(values, values + n);
}

}  // namespace angiolith::tool
