#ifndef ANGIOLITH_SKELETON_EULERCHARACTERISTICEVALUATOR_H
#define ANGIOLITH_SKELETON_EULERCHARACTERISTICEVALUATOR_H

/// Would removing the centre voxel change the Euler characteristic of the object?
class EulerCharacteristicEvaluator {
public:
    virtual ~EulerCharacteristicEvaluator() = default;
    /// @p nb: 26 neighbour values (borrowed); nonzero is object.
    virtual bool changesEulerCharacteristic(unsigned char* nb) = 0;
};

#endif
