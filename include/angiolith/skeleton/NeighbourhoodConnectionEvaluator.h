#ifndef ANGIOLITH_SKELETON_NEIGHBOURHOODCONNECTIONEVALUATOR_H
#define ANGIOLITH_SKELETON_NEIGHBOURHOODCONNECTIONEVALUATOR_H

/// Are the object voxels among the 26 neighbours (nonzero values, the centre left out) one
/// 26-connected piece?
class NeighbourhoodConnectionEvaluator {
public:
    virtual ~NeighbourhoodConnectionEvaluator() = default;
    /// @p nb: 26 neighbour values (borrowed). False when there is no object neighbour.
    virtual bool isConnected(unsigned char* nb) = 0;
};

#endif
