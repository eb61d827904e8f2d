#ifndef ANGIOLITH_SKELETON_CLEANINGSELLESKELETONIZER_H
#define ANGIOLITH_SKELETON_CLEANINGSELLESKELETONIZER_H

#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <list>

/// The Selle thinning with a cleaning step in its first passes: after each of those passes'
/// deletions, every survivor whose object neighbours are joined to one another around it within
/// the 5 x 5 x 5 window is removed as well. Endpoints fall to this test too, so short spurs the
/// early passes leave standing do not persist. Unlike the thinning's own test, the cleaning
/// does not look at the Euler characteristic.
class CleaningSelleSkeletonizer : public SelleSkeletonizer {
public:
    /// As SelleSkeletonizer; the cleaning runs in passes 1 to @p numberOfCleaningPasses
    /// (0 switches it off). Note the argument order: the count stands between the two flags.
    CleaningSelleSkeletonizer(lumoTeskDescriptor* pic, bool mostNeighboursFirst,
                              unsigned int numberOfCleaningPasses, bool noDistanceField);
    ~CleaningSelleSkeletonizer() override;
    /// The thinning of SelleSkeletonizer with the cleaning step. Only the first call has an
    /// effect.
    void skeletonize() override;

protected:
    /// Two sweeps over @p list (borrowed): each locally redundant voxel is set to 0 in the
    /// working volume and removed from the list (its point stays with the border map).
    virtual void postClean(std::list<DistancePoint3D*>* list);

    unsigned int numberOfCleaningPasses;

private:
    bool isLocallyRedundant(const DistancePoint3D& p);
};

#endif
