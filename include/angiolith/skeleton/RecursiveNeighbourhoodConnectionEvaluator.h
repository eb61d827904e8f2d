#ifndef ANGIOLITH_SKELETON_RECURSIVENEIGHBOURHOODCONNECTIONEVALUATOR_H
#define ANGIOLITH_SKELETON_RECURSIVENEIGHBOURHOODCONNECTIONEVALUATOR_H

#include <angiolith/skeleton/NeighbourhoodConnectionEvaluator.h>

/// Depth-first flood fill over the 26 neighbour positions under 26-adjacency (two positions
/// are adjacent when their offsets differ by at most 1 on every axis; the centre is never part
/// of a path), started at the highest-numbered object position. A null array is not connected.
class RecursiveNeighbourhoodConnectionEvaluator : public NeighbourhoodConnectionEvaluator {
public:
    ~RecursiveNeighbourhoodConnectionEvaluator() override;
    bool isConnected(unsigned char* nb) override;
};

#endif
