#ifndef ANGIOLITH_EXTRACTION_PRIORITYEDGE_H
#define ANGIOLITH_EXTRACTION_PRIORITYEDGE_H

#include <angiolith/tree/Vector3.h>

#include <cstdint>

/// The kind of an edge of a branching cluster, as stored in its adjacency matrix.
enum EdgeType : std::int32_t {
    NO_EDGE = 0,     ///< no edge
    N6_EDGE = 1,     ///< two branch voxels sharing a face
    N18_EDGE = 2,    ///< two branch voxels sharing only an edge
    N26_EDGE = 3,    ///< two branch voxels sharing only a corner
    EXIT_EDGE = 4,   ///< a branch voxel and an exit voxel
    OTHER_EDGE = 5,  ///< any other edge: stored, never queued, never removed
};

/// One candidate edge of a branching cluster with the priority of its removal. Immutable.
class PriorityEdge {
public:
    PriorityEdge(const Vector3<short>& firstVector, unsigned short firstIndex,
                 const Vector3<short>& secondVector, unsigned short secondIndex, EdgeType edgeType,
                 float priority);
    virtual ~PriorityEdge();
    virtual Vector3<short> getFirstVector() const;
    virtual Vector3<short> getSecondVector() const;
    virtual unsigned short getFirstIndex() const;
    virtual unsigned short getSecondIndex() const;
    virtual float getPriority() const;
    virtual EdgeType getEdgeType() const;

private:
    Vector3<short> firstVector;
    Vector3<short> secondVector;
    unsigned short firstIndex;
    unsigned short secondIndex;
    float priority;
    EdgeType edgeType;
};

#endif
