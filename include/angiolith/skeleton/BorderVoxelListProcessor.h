#ifndef ANGIOLITH_SKELETON_BORDERVOXELLISTPROCESSOR_H
#define ANGIOLITH_SKELETON_BORDERVOXELLISTPROCESSOR_H

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/SimplePointEvaluator.h>

#include <list>

/// Deletes the simple points among a list of border voxels from the working volume. The
/// deletability test is a SimplePointEvaluator (a SelleSimplePointEvaluator at construction).
///
/// Copying is forbidden: the processor deletes its evaluator exactly once.
class BorderVoxelListProcessor {
public:
    /// @p volume and @p distanceField are borrowed and must outlive the processor. A null
    /// argument is a fatal input error (by default the process ends with exit code 1; see
    /// setFatalInputHandler).
    BorderVoxelListProcessor(VolumeAccessor<unsigned char>* volume,
                             VolumeAccessor<float>* distanceField);
    BorderVoxelListProcessor(const BorderVoxelListProcessor&) = delete;
    BorderVoxelListProcessor& operator=(const BorderVoxelListProcessor&) = delete;

    /// Deletes the simple point evaluator.
    virtual ~BorderVoxelListProcessor();
    /// Stores @p evaluator, which the processor then owns. The evaluator held before is not
    /// deleted: a caller replacing it takes it back with getSimplePointEvaluator() first.
    virtual void setSimplePointEvaluator(SimplePointEvaluator* evaluator);
    virtual SimplePointEvaluator* getSimplePointEvaluator();
    /// Deletes the simple points of @p list (borrowed, unchanged) from the working volume and
    /// returns a new list (caller frees; the points stay borrowed) of those that remain. No
    /// point is destroyed. Null for a null list; without a simple point evaluator nothing is
    /// deleted.
    virtual std::list<DistancePoint3D*>* processBorderVoxelList(
        std::list<DistancePoint3D*>* list) = 0;
    virtual VolumeAccessor<unsigned char>* getVolume();
    virtual VolumeAccessor<float>* getDistanceField();
    /// Voxels deleted by the last processBorderVoxelList() call.
    virtual unsigned int getNumberOfDeletedVoxels();

protected:
    VolumeAccessor<unsigned char>* volume;
    VolumeAccessor<float>* distanceField;
    SimplePointEvaluator* simplePointEvaluator;
    unsigned int deletedVoxels;
};

#endif
