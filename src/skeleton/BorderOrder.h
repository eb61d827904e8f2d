#ifndef ANGIOLITH_SKELETON_BORDERORDER_H
#define ANGIOLITH_SKELETON_BORDERORDER_H

#include <angiolith/skeleton/DistancePoint3D.h>

#include <cstdint>
#include <vector>

namespace angiolith::detail {

/// A border point with the rank of its voxel in the order the border is processed in.
struct RankedPoint {
    std::uint64_t rank;
    DistancePoint3D* point;
};

/// Sorts @p points by ascending rank (48-bit ranks, each distinct). The result is the one order
/// any sort gives for distinct keys.
void sortByRank(std::vector<RankedPoint>& points);

}  // namespace angiolith::detail

#endif
