#ifndef ANGIOLITH_SKELETON_SELLEBORDERTYPEEVALUATOR_H
#define ANGIOLITH_SKELETON_SELLEBORDERTYPEEVALUATOR_H

#include <angiolith/skeleton/BorderTypeEvaluator.h>

/// A voxel is a border voxel in a direction when its face neighbour there is background and
/// the other eight voxels of the 3 x 3 plane on that side add up to at most 1. The stored
/// values are added, not object flags: during thinning a plane passes with at most one border
/// voxel (value 1) and no unreached interior voxel (value 3).
class SelleBorderTypeEvaluator : public BorderTypeEvaluator {
public:
    ~SelleBorderTypeEvaluator() override;
    bool isBorderPlusZ(unsigned char* nb) override;
    bool isBorderMinusZ(unsigned char* nb) override;
    bool isBorderPlusX(unsigned char* nb) override;
    bool isBorderMinusX(unsigned char* nb) override;
    bool isBorderPlusY(unsigned char* nb) override;
    bool isBorderMinusY(unsigned char* nb) override;
};

#endif
