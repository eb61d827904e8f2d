#include "extraction/SkeletonAccess.h"

#include <angiolith/extraction/PathFinder.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using angiolith::detail::kNeighbourOffsets26;
using angiolith::detail::neighbourOf;
using angiolith::detail::pathFinderFailure;
using angiolith::detail::SkeletonReader;

const char* const kNullVolume = "PathFinder::PathFinder(): volume == NULL";
const char* const kNullField = "PathFinder::PathFinder(): distanceField == NULL";
const char* const kNullValues = "PathFinder::PathFinder(): distanceValues == NULL";
const char* const kUnlabeledVoxel = "PathFinder::getUnvisitedNeighbours(): unlabeled voxel found";
const char* const kUnlabeledNextToEdge =
    "PathFinder::getUnvisitedNeighbours():  UNLABELED neighbour of EDGEPOINT or ENDPOINT";
const char* const kBranchNextToEdge =
    "PathFinder::getUnvisitedNeighbours():  BRANCHPOINT neighbour of EDGEPOINT or ENDPOINT";
const char* const kUnlabeledNextToExit =
    "PathFinder::getUnvisitedNeighbours():  UNLABELED neighbour of EXITPOINT";
const char* const kBranchWithoutCluster =
    "PathFinder::getUnvisitedNeighbours():  BRANCHPOINT without cluster found";
const char* const kUnknownData = "PathFinder::getUnvisitedNeighbours():  unknown data in volume";
const char* const kNotBranchPoint =
    "PathFinder::growBranchingCluster():  branchPoint != BRANCHPOINT";
const char* const kInconsistentClusters =
    "PathFinder::growBranchingCluster(): clusterCounter and clusterVector are inconsistent";
const char* const kInvalidClusterPoint =
    "PathFinder::growBranchingCluster(): invalid point in vectorList";

EdgeType edgeTypeOf(int offsetIndex) {
    const int* o = kNeighbourOffsets26.d[offsetIndex];
    switch (std::abs(o[0]) + std::abs(o[1]) + std::abs(o[2])) {
        case 1:
            return N6_EDGE;
        case 2:
            return N18_EDGE;
        default:
            return N26_EDGE;
    }
}

}  // namespace

PathFinder::PathFinder(VolumeAccessor<unsigned char>* theVolume,
                       VolumeAccessor<float>* theDistanceField, Vector3<short>* start,
                       bool theLabelAllComponents)
    : SkeletonGraphExtractor(theVolume, theDistanceField, nullptr, theLabelAllComponents) {
    checkSources(theDistanceField != nullptr, kNullField, start);
}

PathFinder::PathFinder(VolumeAccessor<unsigned char>* theVolume,
                       BorderVoxelHashMap* theDistanceValues, Vector3<short>* start,
                       bool theLabelAllComponents)
    : SkeletonGraphExtractor(theVolume, nullptr, theDistanceValues, theLabelAllComponents) {
    checkSources(theDistanceValues != nullptr, kNullValues, start);
}

PathFinder::~PathFinder() = default;

void PathFinder::checkSources(bool hasSource, const char* message, Vector3<short>* start) {
    if (volume == nullptr) pathFinderFailure(kNullVolume);
    if (!hasSource) pathFinderFailure(message);
    if (start != nullptr) {
        startPoint = getNextEdgeVoxel(*start);
        hasStart = true;
    }
    labelSkeleton(volume);
}

BranchingCluster* PathFinder::clusterOf(const Vector3<short>& branchPoint) const {
    const long number = clusterMap.find(branchPoint);
    if (number < 0 || static_cast<std::size_t>(number) >= clusterVector.size()) return nullptr;
    return clusterVector[static_cast<std::size_t>(number)].get();
}

void PathFinder::markVisited(const Vector3<short>& p, long id) { visitedMap.insert(p, id); }

void PathFinder::addCandidate(VisitableNeighbours& result, const Vector3<short>& q,
                              long excludedId1, long excludedId2) const {
    const long id = visitedMap.find(q);
    if (id != -1 && (id == excludedId1 || id == excludedId2)) return;
    result.addNeighbour(q, id);
}

VisitableNeighbours* PathFinder::getUnvisitedNeighbours(short x, short y, short z, long excludedId1,
                                                        long excludedId2) {
    const Vector3<short> p{x, y, z};
    auto result = std::make_unique<VisitableNeighbours>();
    const SkeletonReader reader(*volume);
    const unsigned char label = reader.value(x, y, z);
    if (label == UNLABELED) pathFinderFailure(kUnlabeledVoxel);
    if (label == BRANCHPOINT) {
        BranchingCluster* cluster = clusterOf(p);
        if (cluster == nullptr) pathFinderFailure(kBranchWithoutCluster);
        std::unique_ptr<ShortVectorList> nodes(cluster->getNeighbours(p));
        for (const Vector3<short>& q : *nodes) addCandidate(*result, q, excludedId1, excludedId2);
        return result.release();
    }
    if (label != ENDPOINT && label != EDGEPOINT && label != EXITPOINT) {
        pathFinderFailure(kUnknownData);
    }
    unsigned char nb[26];
    reader.neighbours(p, nb);
    for (int i = 0; i < 26; ++i) {
        const unsigned char value = nb[i];
        if (value == 0 || value > BRANCHPOINT) continue;
        if (value == UNLABELED) {
            pathFinderFailure(label == EXITPOINT ? kUnlabeledNextToExit : kUnlabeledNextToEdge);
        }
        const Vector3<short> q = neighbourOf(p, i);
        if (value == BRANCHPOINT) {
            if (label != EXITPOINT) pathFinderFailure(kBranchNextToEdge);
            BranchingCluster* cluster = clusterOf(q);
            if (cluster == nullptr) cluster = growBranchingCluster(q);
            if (cluster->getEdge(p, q) == NO_EDGE) continue;
        }
        addCandidate(*result, q, excludedId1, excludedId2);
    }
    return result.release();
}

BranchingCluster* PathFinder::growBranchingCluster(const Vector3<short>& branchPoint) {
    const SkeletonReader reader(*volume);
    if (reader.value(branchPoint.x, branchPoint.y, branchPoint.z) != BRANCHPOINT) {
        pathFinderFailure(kNotBranchPoint);
    }
    auto nodes = std::make_unique<ShortVectorList>();
    nodes->push_back(branchPoint);
    ShortVectorToLongMap visited;
    visited.insert(branchPoint, 1);
    clusterMap.insert(branchPoint, clusterCounter);
    std::vector<Vector3<short>> queue{branchPoint};
    unsigned char nb[26];
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const Vector3<short> v = queue[head];
        reader.neighbours(v, nb);
        for (int i = 0; i < 26; ++i) {
            if (nb[i] != EXITPOINT && nb[i] != BRANCHPOINT) continue;
            const Vector3<short> q = neighbourOf(v, i);
            if (!visited.insert(q, 1)) continue;
            nodes->push_back(q);
            if (nb[i] == BRANCHPOINT) {
                clusterMap.insert(q, clusterCounter);
                queue.push_back(q);
            }
        }
    }

    ShortVectorList* nodeList = nodes.get();
    clusterVector.push_back(std::make_unique<BranchingCluster>(nodes.release()));
    BranchingCluster* cluster = clusterVector.back().get();
    if (clusterCounter < 0 || static_cast<std::size_t>(clusterCounter) >= clusterVector.size() ||
        clusterVector[static_cast<std::size_t>(clusterCounter)].get() != cluster) {
        pathFinderFailure(kInconsistentClusters);
    }

    for (const Vector3<short>& m : *nodeList) {
        const unsigned char value = reader.value(m.x, m.y, m.z);
        reader.neighbours(m, nb);
        if (value == BRANCHPOINT) {
            for (int i = 0; i < 26; ++i) {
                if (nb[i] == EXITPOINT) {
                    cluster->addEdge(m, neighbourOf(m, i), EXIT_EDGE);
                } else if (nb[i] == BRANCHPOINT) {
                    cluster->addEdge(m, neighbourOf(m, i), edgeTypeOf(i));
                }
            }
        } else if (value == EXITPOINT) {
            for (int i = 0; i < 26; ++i) {
                if (nb[i] != BRANCHPOINT) continue;
                const Vector3<short> q = neighbourOf(m, i);
                if (cluster->contains(q)) cluster->addEdge(m, q, EXIT_EDGE);
                break;
            }
        } else {
            pathFinderFailure(kInvalidClusterPoint);
        }
    }
    ++clusterCounter;
    cluster->reduce();
    return cluster;
}
