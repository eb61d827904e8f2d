#ifndef ANGIOLITH_TOOLS_CLI_STAGES_H
#define ANGIOLITH_TOOLS_CLI_STAGES_H

#include "cli/Volume.h"

#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/SelleSkeletonizer.h>
#include <angiolith/territory/AbstractVesselTreeSampler.h>
#include <angiolith/tree/ArVesselTree.h>

#include <array>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace angiolith::tool {

/// How the vessel mask is thinned.
struct ThinningOptions {
    /// Passes of the cleaning thinning that also removes line ends left standing; 0 runs the
    /// plain thinning.
    unsigned int cleaningPasses = 0;
    /// Order of the deletion candidates: those with most object neighbours first.
    bool mostNeighboursFirst = false;
};

/// The result of thinning: the skeletonizer, which owns the skeletal points, and the volumes
/// the tool writes. The skeleton volume holds 1 at every skeletal voxel and 0 elsewhere.
class Skeleton {
public:
    Skeleton(std::unique_ptr<SelleSkeletonizer> skeletonizer, DescriptorPtr working,
             Volume distanceField, Volume skeleton);
    std::list<DistancePoint3D*>& points() { return *skeletonizer->getSkeletalVoxels(); }
    const Volume& skeletonVolume() const { return skeleton; }
    const Volume& distanceField() const { return distances; }
    /// Hands the volumes over without copying them; the skeleton keeps neither afterwards.
    Volume takeSkeletonVolume() { return std::move(skeleton); }
    Volume takeDistanceField() { return std::move(distances); }

private:
    // Declared first so that it is destroyed last: the skeletonizer neither frees nor needs its
    // working volume after thinning, but the tool releases it only once the points are gone.
    DescriptorPtr working;
    std::unique_ptr<SelleSkeletonizer> skeletonizer;
    Volume distances;
    Volume skeleton;
};

/// Thins @p working (unsigned 8-bit, 1 on the object and 0 elsewhere; taken over and thinned in
/// place) with the spacing of @p geometry.
Skeleton thin(DescriptorPtr working, const Geometry& geometry, const ThinningOptions& options);

/// The volumes of thinning: the skeleton (1 at every skeletal voxel, 0 elsewhere) and the
/// distance field (each voxel's distance to the background in millimetres, float).
struct Thinned {
    Volume skeleton;
    Volume distances;
};
/// Skeletal points rebuilt from the files of an earlier run: one point per non-zero voxel of
/// the skeleton volume, with the distance field's value there as its distance.
class SkeletonPoints {
public:
    SkeletonPoints(const Volume& skeleton, const Volume& distanceField);
    std::list<DistancePoint3D*>& list() { return pointers; }

private:
    std::vector<std::unique_ptr<DistancePoint3D>> owned;
    std::list<DistancePoint3D*> pointers;
};

/// Why the tree extraction cannot start on @p skeleton (unsigned 8-bit, non-zero on the
/// skeleton), or "" when it can. The walk starts at an end or line voxel (at most two skeleton
/// neighbours): of the largest 26-connected part (the first one in z, y, x scan order among
/// equally large parts) without a start voxel, anywhere with one. A skeleton that is all
/// branching (the skeleton of a closed surface) has none.
std::string extractionObstacle(const Volume& skeleton, bool withStart);

/// Extracts the vessel tree from the skeleton volume (1 on the skeleton) and its points; with
/// @p start, from the end or edge voxel of the skeleton nearest to that voxel. The caller has
/// checked that the skeleton is not empty and the start lies inside the volume. Positions come
/// out as voxel index times spacing. Throws std::runtime_error when the library cannot walk
/// the skeleton.
ArVesselTree extractTree(const Volume& skeleton, std::list<DistancePoint3D*>& points,
                         const std::optional<std::array<long, 3>>& start);

/// Removes irrelevant side branches and joins single-child chains, in place.
void cleanTree(ArVesselTree& tree, float relevance, bool preserveCycles);

/// The vascular territories over the non-zero voxels of @p tissue: the vessel-ID volume
/// (unsigned 16-bit) and the distance volume (float, millimetres), both with the tissue's
/// geometry. The tree must lie on the tissue's grid (positions = index times spacing).
struct Territories {
    Volume vesselIds;
    Volume distances;  ///< without a descriptor when TerritoryOptions::distances is false
    /// The voxels of every value of vesselIds (valueCounts16), counted once by the territory
    /// stage for its progress line and the quantities; empty until then.
    std::vector<unsigned long long> voxelsPerId;
};
Territories computeTerritories(const ArVesselTree& tree, const Volume& tissue);

/// Which vessels supply tissue and what the territory computation returns.
struct TerritoryOptions {
    /// Selects the centre-line samples; null samples every vessel.
    std::unique_ptr<AbstractVesselTreeSampler> sampler;
    /// Whether the distance volume is computed.
    bool distances = true;
    /// Threads of the classifier (0: one per hardware thread); unset, those of --threads. The
    /// volumes are the same for every number.
    std::optional<unsigned int> threads;
};
/// The same over @p tissue (unsigned 8-bit, 1 in the tissue and 0 elsewhere; taken over) on the
/// grid @p geometry.
Territories computeTerritories(const ArVesselTree& tree, DescriptorPtr tissue,
                               const Geometry& geometry, TerritoryOptions options);

/// The relabelling rules the tool offers.
enum class LabelRule { Segment, Type, Resection };
std::optional<LabelRule> labelRuleOf(const std::string& name);
std::string nameOf(LabelRule rule);

/// @p vesselIds (unsigned 16-bit) relabelled by @p rule built from @p tree, as a new volume
/// with the same geometry. The caller has checked that every id of the volume is at most the
/// tree's largest id.
Volume relabel(const Volume& vesselIds, const ArVesselTree& tree, LabelRule rule);
/// The same in place: the ids, no longer needed, become the labels (no second volume).
Volume relabel(Volume&& vesselIds, const ArVesselTree& tree, LabelRule rule);

/// Largest value of an unsigned 16-bit volume.
unsigned int maxValue16(const Volume& volume);

}  // namespace angiolith::tool

#endif
