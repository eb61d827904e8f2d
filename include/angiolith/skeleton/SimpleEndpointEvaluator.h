#ifndef ANGIOLITH_SKELETON_SIMPLEENDPOINTEVALUATOR_H
#define ANGIOLITH_SKELETON_SIMPLEENDPOINTEVALUATOR_H

#include <angiolith/skeleton/EndpointEvaluator.h>

/// A voxel is an endpoint when at most one of its 26 neighbours is object.
class SimpleEndpointEvaluator : public EndpointEvaluator {
public:
    ~SimpleEndpointEvaluator() override;
    bool isEndpoint(unsigned char* nb) override;
};

#endif
