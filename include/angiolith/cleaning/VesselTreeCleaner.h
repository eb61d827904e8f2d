#ifndef ANGIOLITH_CLEANING_VESSELTREECLEANER_H
#define ANGIOLITH_CLEANING_VESSELTREECLEANER_H

#include <angiolith/tree/ArVesselTree.h>

/// A strategy that edits an extracted vessel tree in place, removing what does not belong to the
/// vessel system (spurs of the thinning, bumps of the segmentation surface).
class VesselTreeCleaner {
public:
    virtual ~VesselTreeCleaner();

    /// Cleans @p tree in place; the change is seen through every handle to the tree.
    virtual void cleanTree(ArVesselTree tree) = 0;
};

#endif
