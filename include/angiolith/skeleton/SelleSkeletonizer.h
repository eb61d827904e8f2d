#ifndef ANGIOLITH_SKELETON_SELLESKELETONIZER_H
#define ANGIOLITH_SKELETON_SELLESKELETONIZER_H

#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/skeleton/Skeletonizer.h>

#include <functional>
#include <list>

/// Topology-preserving thinning ordered by a propagated distance field, after D. Selle,
/// B. Preim, A. Schenk and H.-O. Peitgen, "Analysis of vasculature for liver surgical planning",
/// IEEE Transactions on Medical Imaging 21(11), 2002, pp. 1344-1357.
///
/// The object is peeled in passes. Each border voxel carries a vector to the background,
/// propagated through face neighbours in units of the voxel spacing (in the manner of
/// P.-E. Danielsson, "Euclidean distance mapping", Computer Graphics and Image Processing 14,
/// 1980, pp. 227-248). Pass k processes the border voxels whose distance is at most k times the
/// smallest spacing and deletes their simple points (BorderVoxelListProcessor); then the border
/// advances one layer inward and the newly reached voxels inherit their vectors from the old
/// border. The run ends at the second pass overall that deletes nothing. The survivors of the
/// last pass are the skeleton.
///
/// Working volume values: 0 background or deleted, 1 border voxel, 3 object voxel not yet
/// reached. Only the border is ever held as points.
///
/// @warning An empty segmentation gives an empty skeleton. Set spacings before skeletonize().
class SelleSkeletonizer : public Skeletonizer {
public:
    /// See Skeletonizer::Skeletonizer for the arguments and their failure handling.
    SelleSkeletonizer(lumoTeskDescriptor* pic, bool mostNeighboursFirst, bool noDistanceField);
    /// Deletes every point still held, the maps and the skeleton list.
    ~SelleSkeletonizer() override;
    /// Runs the thinning. Only the first call has an effect.
    void skeletonize() override;
    /// Sets the working volume's spacing only (the distance field keeps its own) and takes the
    /// smallest spacing as the width of one pass.
    void setVolumeVoxelSizeX(float s) override;
    void setVolumeVoxelSizeY(float s) override;
    void setVolumeVoxelSizeZ(float s) override;

protected:
    /// Makes the first border: every object voxel with a background face neighbour becomes a
    /// border voxel (value 1) with the smallest spacing among the axes on which it touches the
    /// background as its distance; every other object voxel becomes 3.
    virtual void init();
    /// The point of previousBorderVoxels at a face neighbour of (x, y, z) from which the voxel
    /// inherits the shortest vector (ties to the earlier of -x, +x, -y, +y, -z, +z). Null, after a
    /// message on standard output, when there is none.
    virtual DistancePoint3D* getNextDistancePoint3D(short x, short y, short z);
    /// Splits the border into the points within this pass's distance (currentBorder) and the
    /// others (remainingBorder).
    virtual void divideNewBorder();
    /// Improves the remaining border's vectors, advances the front behind the current border and
    /// deletes the points of the voxels this pass deleted.
    virtual void computeNewBorder();
    /// True when one of the six face-neighbour values @p nb6 is 0.
    virtual bool isBorderVoxel(unsigned char* const nb6);

public:
    /// The skeleton after skeletonize(), null before. Owned by the skeletonizer, points
    /// included, and valid until it is destroyed.
    virtual std::list<DistancePoint3D*>* getSkeletalVoxels();

protected:
    /// The passes of the thinning; @p afterProcessing, when set, runs after each pass's
    /// deletions and before the border advances.
    void runPasses(const std::function<void()>& afterProcessing);

    unsigned int iteration;
    float minVoxelSize;
    BorderVoxelHashMap* borderVoxels;
    BorderVoxelHashMap* previousBorderVoxels;
    std::list<DistancePoint3D*> currentBorder;
    std::list<DistancePoint3D*> remainingBorder;
    std::list<DistancePoint3D*>* skeletalVoxels;

private:
    void updateMinVoxelSize();
};

#endif
