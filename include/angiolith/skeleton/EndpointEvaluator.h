#ifndef ANGIOLITH_SKELETON_ENDPOINTEVALUATOR_H
#define ANGIOLITH_SKELETON_ENDPOINTEVALUATOR_H

/// Is the centre voxel the end of a line (and therefore to be kept by the thinning)?
class EndpointEvaluator {
public:
    virtual ~EndpointEvaluator() = default;
    /// @p nb: 26 neighbour values (borrowed); nonzero is object.
    virtual bool isEndpoint(unsigned char* nb) = 0;
};

#endif
