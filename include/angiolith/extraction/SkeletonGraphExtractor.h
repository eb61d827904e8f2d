#ifndef ANGIOLITH_EXTRACTION_SKELETONGRAPHEXTRACTOR_H
#define ANGIOLITH_EXTRACTION_SKELETONGRAPHEXTRACTOR_H

#include <angiolith/extraction/BranchingCluster.h>
#include <angiolith/extraction/ShortVectorToLongMap.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/tree/Vector3.h>

#include <cstdint>
#include <memory>
#include <vector>

/// Labels written into a skeleton volume (0 is background).
enum SkeletonLabel : unsigned char {
    UNLABELED = 1,    ///< skeleton voxel not yet labelled
    ENDPOINT = 2,     ///< at most one skeleton neighbour
    EDGEPOINT = 3,    ///< exactly two skeleton neighbours
    EXITPOINT = 4,    ///< former end or edge voxel touching a branch voxel
    BRANCHPOINT = 5,  ///< three or more skeleton neighbours
};

/// One labelled component: its size and its representative voxel.
struct ComponentEntry {
    int voxelCount;
    Vector3<short> point;
};

/// The neighbour of (x, y, z) with the given index in the 26-neighbour order (dz = +1, 0, -1
/// outermost, then dy = +1, 0, -1, then dx = -1, 0, +1; the centre left out). An index above 25
/// writes a line to the standard output and to the standard error stream and throws
/// std::runtime_error.
Vector3<short> getVectorFromIndex(short x, short y, short z, unsigned short index);

/// Topological labelling of a one-voxel-thin skeleton: each voxel of value 1 becomes an end (2),
/// edge (3) or branch (5) voxel by the number of its 26 non-zero neighbours, end and edge voxels
/// touching a branch voxel become exit voxels (4), and a start voxel for a walk is chosen: the
/// end or edge voxel with the largest distance value in the largest component.
///
/// The labelling follows the voxel classification by neighbour count of curve skeletons used
/// for vessel trees in D. Selle, B. Preim, A. Schenk, H.-O. Peitgen, "Analysis of vasculature
/// for liver surgical planning", IEEE Trans. Med. Imaging 21(11), 2002.
///
/// Positions outside the volume never count as skeleton voxels, whatever the accessor's outside
/// value. The base of PathFinder, which holds the state of one extraction.
class SkeletonGraphExtractor {
public:
    SkeletonGraphExtractor(const SkeletonGraphExtractor&) = delete;
    SkeletonGraphExtractor& operator=(const SkeletonGraphExtractor&) = delete;

    /// Labels @p skelVol (borrowed) in place and chooses the start voxel. With a start voxel,
    /// only its component is labelled unless all components were asked for.
    void labelSkeleton(VolumeAccessor<unsigned char>* skelVol);
    bool hasStartPoint() const { return hasStart; }
    Vector3<short> getStartPoint() const { return startPoint; }
    /// @p p when it is an end or edge voxel (non-zero with one or two non-zero neighbours);
    /// otherwise the first such voxel on cube shells of growing half-width around @p p.
    /// Throws std::runtime_error when there is none.
    Vector3<short> getNextEdgeVoxel(const Vector3<short>& p);
    /// The distance value of a voxel, from the distance field when there is one, otherwise
    /// from the distance map. Throws std::runtime_error when neither is set or the map lacks
    /// the voxel.
    float getDistanceValue(const int& x, const int& y, const int& z);

protected:
    /// Stores the borrowed skeleton and distance sources; labels nothing.
    SkeletonGraphExtractor(VolumeAccessor<unsigned char>* volume,
                           VolumeAccessor<float>* distanceField, BorderVoxelHashMap* distanceValues,
                           bool labelAllComponents);
    ~SkeletonGraphExtractor();

    VolumeAccessor<unsigned char>* volume;
    VolumeAccessor<float>* distanceField;
    BorderVoxelHashMap* distanceValues;
    bool hasStart;
    bool labelAllComponents;
    Vector3<short> startPoint;
    /// Clusters grown so far, owned; the index is the cluster number.
    std::vector<std::unique_ptr<BranchingCluster>> clusterVector;
    int clusterCounter;
    /// Max-heap on voxelCount (standard push-heap rule).
    std::vector<ComponentEntry> componentHeap;
    ShortVectorToLongMap clusterMap;
    ShortVectorToLongMap visitedMap;

private:
    Vector3<short> labelComponent(VolumeAccessor<unsigned char>& vol, const Vector3<short>& seed);
    void markExitPoints(VolumeAccessor<unsigned char>& vol, const Vector3<short>& seed);

    /// Breadth-first queue reused by every component, so labelling allocates per skeleton
    /// rather than per voxel.
    std::vector<Vector3<short>> queue;
    /// One bit per voxel for the exit-point search, allocated once and left all zero between
    /// searches, so that marking a component costs no allocation per voxel.
    std::vector<std::uint64_t> visitedBits;
};

#endif
