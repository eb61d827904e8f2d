#ifndef ANGIOLITH_SKELETON_BORDERTYPEEVALUATOR_H
#define ANGIOLITH_SKELETON_BORDERTYPEEVALUATOR_H

/// Six directional border tests over the 26 neighbour values; the border voxel list processor
/// orders its deletion candidates by them.
class BorderTypeEvaluator {
public:
    virtual ~BorderTypeEvaluator() = default;
    virtual bool isBorderPlusZ(unsigned char* nb) = 0;
    virtual bool isBorderMinusZ(unsigned char* nb) = 0;
    virtual bool isBorderPlusX(unsigned char* nb) = 0;
    virtual bool isBorderMinusX(unsigned char* nb) = 0;
    virtual bool isBorderPlusY(unsigned char* nb) = 0;
    virtual bool isBorderMinusY(unsigned char* nb) = 0;
};

#endif
