#ifndef ANGIOLITH_TOOLS_CLI_FOREST_H
#define ANGIOLITH_TOOLS_CLI_FOREST_H

#include "cli/Volume.h"

#include <angiolith/tree/ArVesselTree.h>

#include <array>
#include <optional>
#include <vector>

namespace angiolith::tool {

/// A voxel index (x, y, z).
using Voxel = std::array<long, 3>;

/// One 26-connected part of a skeleton: voxels of one value (1, or the mask's label when each
/// label is its own vessel system) that touch each other.
struct SkeletonPart {
    std::vector<Voxel> voxels;  ///< in scan order (z outer, x inner)
    unsigned int label = 1;     ///< the skeleton's value on the part
};

/// The parts of a skeleton a forest grows from, and those left out.
struct SkeletonParts {
    std::vector<SkeletonPart> kept;  ///< largest first; equal sizes in scan order of first voxel
    unsigned long smallParts = 0;    ///< parts of fewer voxels than the minimum
    unsigned long long smallVoxels = 0;
    unsigned long closedParts = 0;  ///< parts without an end or line voxel to start from
};

/// Splits the non-zero voxels of @p skeleton (unsigned 8- or 16-bit) into 26-connected parts of
/// equal value; parts of fewer than @p minPart voxels, and parts in which every voxel branches
/// (the skeleton of a closed surface, which no walk can start on), are counted, not kept.
SkeletonParts findSkeletonParts(const Volume& skeleton, unsigned long minPart);

/// The voxel a part's tree grows from: its end voxel (one neighbour in the part) of largest
/// distance to the background, the inflow of a vessel system, which is thickest there; a part
/// without ends (a ring) takes its thickest line voxel (two neighbours). Equal distances go to
/// the first voxel in scan order. With @p near, the end or line voxel nearest to it instead
/// (in millimetres of @p spacing). Null when the part has neither.
std::optional<Voxel> rootOf(const SkeletonPart& part, const Volume& distances,
                            const std::optional<Voxel>& near = std::nullopt);

/// Index of the part holding @p voxel or, when none does, of the part with the voxel nearest to
/// it (in millimetres of @p spacing; the first such part on ties).
std::size_t partNearest(const SkeletonParts& parts, const Voxel& voxel, const Vec3& spacing);

/// Extracts the tree of one part with the library's breadth-first extraction, from @p root.
/// Positions are voxel index times spacing on the whole grid; every vessel gets type @p type
/// when it is set. Throws std::runtime_error when the library cannot walk the part.
ArVesselTree extractPart(const SkeletonPart& part, const Volume& distances, const Voxel& root,
                         std::optional<int> type);

/// Makes the vessel ids of all @p trees unique across the forest: each tree's ids (and the ids
/// of the vessels its loops close with) move up by the largest id of the trees before it.
void numberForest(std::vector<ArVesselTree>& trees);

/// One tree holding every tree of @p trees below a root vessel without samples, for the
/// library's single-tree stages (territories, relabelling): the root's id is one above the
/// largest, so that it is never the nearest vessel and labels no voxel. The vessels are shared.
ArVesselTree joinForest(const std::vector<ArVesselTree>& trees);

/// Number of loops: pairs of vessels of @p tree where one is marked as closing a loop with the
/// other (the extraction marks both, each naming the other, which counts once).
int loopsOf(const ArVesselTree& tree);

}  // namespace angiolith::tool

#endif
