#ifndef ANGIOLITH_EXTRACTION_PATHFINDER_H
#define ANGIOLITH_EXTRACTION_PATHFINDER_H

#include <angiolith/extraction/BranchingCluster.h>
#include <angiolith/extraction/SkeletonGraphExtractor.h>
#include <angiolith/extraction/VisitableNeighbours.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/tree/Vector3.h>

/// The neighbour service of one tree extraction: labels the skeleton on construction, keeps
/// which vessel visited which voxel first, grows branching clusters lazily and answers which
/// voxels a walk may step to next.
///
/// The two constructors differ only in the distance source: a distance field volume or a map
/// of skeletal voxels with their distances. Failures throw std::runtime_error after writing
/// the message and a line end to the standard error stream.
class PathFinder : public SkeletonGraphExtractor {
public:
    /// @p volume and @p distanceField are borrowed; the volume is labelled in place. With
    /// @p start (borrowed, may be null) the start voxel is the end or edge voxel nearest it on
    /// growing cube shells.
    PathFinder(VolumeAccessor<unsigned char>* volume, VolumeAccessor<float>* distanceField,
               Vector3<short>* start, bool labelAllComponents);
    /// As above with the distances of @p distanceValues (borrowed).
    PathFinder(VolumeAccessor<unsigned char>* volume, BorderVoxelHashMap* distanceValues,
               Vector3<short>* start, bool labelAllComponents);
    /// Deletes the clusters; the volume and the distance sources are left alone.
    ~PathFinder();

    /// Records that vessel @p id reached @p p; a voxel keeps the id of its first visitor.
    void markVisited(const Vector3<short>& p, long id);
    /// The voxels a walk at (x, y, z) may step to, leaving out voxels visited by the vessels
    /// @p excludedId1 and @p excludedId2. A new object; the caller deletes it.
    VisitableNeighbours* getUnvisitedNeighbours(short x, short y, short z, long excludedId1,
                                                long excludedId2);
    /// Collects the 26-connected branch voxels around @p branchPoint with their exit voxels into
    /// a new cluster (owned by the path finder), adds its edges and reduces it to a tree.
    BranchingCluster* growBranchingCluster(const Vector3<short>& branchPoint);

private:
    void checkSources(bool hasSource, const char* message, Vector3<short>* start);
    /// The cluster recorded for a branch voxel, or null.
    BranchingCluster* clusterOf(const Vector3<short>& branchPoint) const;
    void addCandidate(VisitableNeighbours& result, const Vector3<short>& q, long excludedId1,
                      long excludedId2) const;
};

#endif
