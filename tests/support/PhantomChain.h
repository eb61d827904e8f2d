#ifndef ANGIOLITH_TESTS_SUPPORT_PHANTOMCHAIN_H
#define ANGIOLITH_TESTS_SUPPORT_PHANTOMCHAIN_H

// The library's whole processing chain on one phantom, summarised as plain values, so that runs
// in different processes, on different threads or before and after other calls can be compared.

#include "phantom/VesselPhantom.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>
#include <angiolith/extraction/BreadthFirstTreeExtractor.h>
#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/territory/KDTreeNextVesselEstimator.h>
#include <angiolith/territory/SuppliedTissueClassifier.h>
#include <angiolith/tree/ArVesselTree.h>

#include <cstddef>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace chain_test {

struct ChainResult {
    std::string tree;  // the cleaned tree in the text format
    std::vector<unsigned char> vesselIds;
    std::vector<unsigned char> distances;
    std::vector<unsigned char> types;

    bool operator==(const ChainResult&) const = default;
};

inline std::vector<unsigned char> bytesOf(const lumoTeskDescriptor* pic, std::size_t elementSize) {
    const std::size_t count = static_cast<std::size_t>(pic->n[0]) * pic->n[1] * pic->n[2];
    std::vector<unsigned char> bytes(count * elementSize);
    if (count != 0) std::memcpy(bytes.data(), pic->data, bytes.size());
    return bytes;
}

using Descriptor = angiolith::detail::DescriptorPtr;

// A k-d tree estimator the classifier does not recognise as its own, so that it asks it voxel by
// voxel instead of assigning the voxels on the grid.
struct PerVoxelEstimator final : KDTreeNextVesselEstimator {};

// The phantom's vessel mask thinned at the phantom's spacing. The thinning's volumes are freed
// after the skeletonizer.
struct ThinnedPhantom {
    explicit ThinnedPhantom(angiolith::phantom::Phantom& phantom)
        : skeleton(phantom.takeVessels()), thinning(skeleton.get(), true, false) {
        field.reset(thinning.getDistanceFieldPic());
        thinning.setVolumeVoxelSizeX(phantom.options.spacingX);
        thinning.setVolumeVoxelSizeY(phantom.options.spacingY);
        thinning.setVolumeVoxelSizeZ(phantom.options.spacingZ);
        thinning.skeletonize();
    }
    Descriptor skeleton, field;
    SelleSkeletonizer thinning;
};

// The thinned phantom extracted from the skeletal voxel list, from the phantom's root voxel.
inline ArVesselTree extractedTree(angiolith::phantom::Phantom& phantom) {
    ThinnedPhantom thinned(phantom);
    Point3D start(phantom.rootVoxel.x, phantom.rootVoxel.y, phantom.rootVoxel.z);
    return BreadthFirstTreeExtractor().getTree(thinned.thinning.getVolume(),
                                               thinned.thinning.getSkeletalVoxels(), &start);
}

// Thinning, extraction from the skeletal voxel list, cleaning, territories (by the k-d tree voxel
// by voxel with @p perVoxelSearch) and relabelling by vessel type.
inline ChainResult runChain(const angiolith::phantom::PhantomOptions& options,
                            bool perVoxelSearch = false) {
    angiolith::phantom::Phantom phantom = angiolith::phantom::makePhantom(options);
    ChainResult result;
    ArVesselTree tree = extractedTree(phantom);
    RelevanceVesselTreeCleaner cleaner;
    cleaner.cleanTree(tree);
    std::ostringstream text;
    text << tree;
    result.tree = text.str();

    auto* tissue = new ThreeDPicAccessor<unsigned char>(phantom.takeTissue(), true, 0);
    SuppliedTissueClassifier classifier(tissue, tree);
    if (perVoxelSearch) classifier.setNextVesselEstimator(new PerVoxelEstimator);
    classifier.computeSuppliedTissue();
    lumoTeskDescriptor* ids = classifier.getVesselIDVolume()->getPic();
    result.vesselIds = bytesOf(ids, sizeof(unsigned short));
    result.distances = bytesOf(classifier.getDistanceVolume()->getPic(), sizeof(float));
    IdToTypeRelabelingRule rule(tree);
    Descriptor types(VesselIDRelabeling::relabel(ids, &rule, true));
    result.types = bytesOf(types.get(), sizeof(unsigned short));
    return result;
}

}  // namespace chain_test

#endif
