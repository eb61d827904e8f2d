#ifndef ANGIOLITH_EXTRACTION_BREADTHFIRSTTREEEXTRACTOR_H
#define ANGIOLITH_EXTRACTION_BREADTHFIRSTTREEEXTRACTOR_H

#include <angiolith/extraction/PathFinder.h>
#include <angiolith/extraction/TreeExtractor.h>
#include <angiolith/extraction/VesselPriorityQueue.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Vector3.h>

#include <cstdint>
#include <list>

/// Extracts a vessel tree from a skeleton by tracking vessels in the order of their diameter.
///
/// The skeleton is labelled and a start voxel chosen (PathFinder); the root vessel starts there.
/// Pending vessels wait in a max-priority queue keyed by the diameter at their branching voxel,
/// so thick vessels are tracked before thin ones and a thin vessel that meets a thick one is the
/// one closed there (its `cyclicId` names the other). A vessel is followed voxel by voxel until
/// it ends, runs into another vessel, or branches; at a branching one child per outgoing path is
/// created, each starting with the branching voxel. Clumps of branch voxels are walked along
/// their spanning trees (BranchingCluster). Diameters come from the distance values,
/// 2 (d - s/2) with s half a voxel of spacing; positions are voxel indices times the spacing.
///
/// The tracking follows the skeleton-based vessel tree analysis of D. Selle, B. Preim,
/// A. Schenk, H.-O. Peitgen, "Analysis of vasculature for liver surgical planning", IEEE Trans.
/// Med. Imaging 21(11), 2002.
///
/// Both entry points share one implementation; the distance source is the only difference.
/// @warning The skeleton volume is relabelled in place (labels 2 to 5) and keeps its labels, so
/// a second call without a start voxel finds nothing left to label.
class BreadthFirstTreeExtractor : public TreeExtractor {
public:
    BreadthFirstTreeExtractor();
    ~BreadthFirstTreeExtractor() override;
    BreadthFirstTreeExtractor(const BreadthFirstTreeExtractor&) = default;
    BreadthFirstTreeExtractor& operator=(const BreadthFirstTreeExtractor&) = default;

    /// @p theSkelVol (0/1, borrowed, relabelled in place), @p skeletalVoxels (borrowed, left
    /// untouched) and the optional @p start (borrowed) give a new tree. Null arguments, a
    /// skeleton without a start voxel or a voxel without a distance value are fatal input errors
    /// (by default the process ends with exit code 1; see setFatalInputHandler: under a throwing
    /// handler the partial tree is freed and the volume keeps the labels written so far);
    /// failures of the labelling and neighbour service leave as std::runtime_error.
    ArVesselTree getTree(VolumeAccessor<unsigned char>* theSkelVol,
                         std::list<DistancePoint3D*>* skeletalVoxels,
                         Point3D* start = nullptr) override;
    /// As getTree with the distance values of @p distanceField (borrowed).
    ArVesselTree getTreeDF(VolumeAccessor<unsigned char>* theSkelVol,
                           VolumeAccessor<float>* distanceField, Point3D* start = nullptr) override;

private:
    ArVesselTree extract(Point3D* start, const char* noStartMessage);
    ArVesselTree vesselIt(Vector3<short> start);
    void trackVessel(ArVesselTree subTree, long vesselId, long parentId);
    float getDiameter(Vector3<short>& voxel);
    void correctCoordinates(ArVesselTree tree);

    VolumeAccessor<unsigned char>* skeleton;
    VolumeAccessor<float>* distanceField;
    BorderVoxelHashMap* distanceValues;
    PathFinder* pathFinder;
    VesselPriorityQueue* vesselQueue;
    std::int32_t vesselCounter;
};

#endif
