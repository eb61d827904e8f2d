#include "cli/Stages.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>
#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>
#include <angiolith/skeleton/CleaningSelleSkeletonizer.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace angiolith::tool {

namespace {

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
void setSpacing(T& thinning, const Geometry& g) {
    thinning.setVolumeVoxelSizeX(static_cast<float>(g.spacing[0]));
    thinning.setVolumeVoxelSizeY(static_cast<float>(g.spacing[1]));
    thinning.setVolumeVoxelSizeZ(static_cast<float>(g.spacing[2]));
}

}  // namespace

Thinned thin(const Volume& mask, const ThinningOptions& options) {
    // The skeletonizer thins a copy in place, without converting and without freeing anything
    // of the tool's; it neither frees nor needs that copy after thinning, and goes first.
    DescriptorPtr working(lumoTeskClone(mask.pic.get()));
    if (!working) throw std::bad_alloc();
    std::unique_ptr<SelleSkeletonizer> skeletonizer;
    if (options.cleaningPasses > 0) {
        skeletonizer = std::make_unique<CleaningSelleSkeletonizer>(
            working.get(), options.mostNeighboursFirst, options.cleaningPasses, false);
    } else {
        skeletonizer =
            std::make_unique<SelleSkeletonizer>(working.get(), options.mostNeighboursFirst, false);
    }
    setSpacing(*skeletonizer, mask.geometry);
    skeletonizer->skeletonize();

    Thinned result{{makeDescriptor(lumoTeskTypeUnsigned, 8, mask.geometry.size), mask.geometry},
                   {DescriptorPtr(skeletonizer->getDistanceFieldPic()), mask.geometry}};
    VolumeAccessor<unsigned char> out(result.skeleton.pic.get(), 0, false);
    for (const DistancePoint3D* p : *skeletonizer->getSkeletalVoxels()) {
        out.setVoxel(p->getX(), p->getY(), p->getZ(), 1);
    }
    return result;
}

void cleanTree(ArVesselTree& tree, float relevance, bool preserveCycles) {
    RelevanceVesselTreeCleaner cleaner(relevance, preserveCycles);
    cleaner.cleanTree(tree);
}

Territories computeTerritories(const ArVesselTree& tree, const Volume& tissue) {
    // The tree's positions are voxel index times spacing, so the classifier works in that
    // frame: spacing set, origin 0, identity transform. The files get the full geometry.
    auto* accessor = new ThreeDPicAccessor<unsigned char>(binarize(*tissue.pic).release(), true, 0);
    accessor->setVoxelSize(static_cast<float>(tissue.geometry.spacing[0]),
                           static_cast<float>(tissue.geometry.spacing[1]),
                           static_cast<float>(tissue.geometry.spacing[2]));
    SuppliedTissueClassifier classifier(accessor, tree);
    classifier.computeSuppliedTissue();
    Territories result;
    result.vesselIds = {takeData(classifier.getVesselIDVolume()->getPic()), tissue.geometry};
    result.distances = {takeData(classifier.getDistanceVolume()->getPic()), tissue.geometry};
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
    std::unique_ptr<AbstractRelabelingRule> theRule;
    switch (rule) {
        case LabelRule::Segment:
            theRule = std::make_unique<IdToSegmentRelabelingRule>(tree);
            break;
        case LabelRule::Type:
            theRule = std::make_unique<IdToTypeRelabelingRule>(tree);
            break;
        case LabelRule::Resection:
            theRule = std::make_unique<IdToResectionStatusRelabelingRule>(tree);
            break;
    }
    DescriptorPtr labels(VesselIDRelabeling::relabel(vesselIds.pic.get(), theRule.get(), true));
    if (!labels) throw std::bad_alloc();
    return {std::move(labels), vesselIds.geometry};
}

unsigned int maxValue16(const Volume& volume) {
    const auto* values = static_cast<const std::uint16_t*>(volume.pic->data);
    const auto n = volume.geometry.voxelCount();
    return n == 0 ? 0 : *std::max_element(values, values + n);
}

}  // namespace angiolith::tool
