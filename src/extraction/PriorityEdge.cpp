#include <angiolith/extraction/PriorityEdge.h>

PriorityEdge::PriorityEdge(const Vector3<short>& theFirstVector, unsigned short theFirstIndex,
                           const Vector3<short>& theSecondVector, unsigned short theSecondIndex,
                           EdgeType theEdgeType, float thePriority)
    : firstVector(theFirstVector),
      secondVector(theSecondVector),
      firstIndex(theFirstIndex),
      secondIndex(theSecondIndex),
      priority(thePriority),
      edgeType(theEdgeType) {}

PriorityEdge::~PriorityEdge() = default;

Vector3<short> PriorityEdge::getFirstVector() const { return firstVector; }

Vector3<short> PriorityEdge::getSecondVector() const { return secondVector; }

unsigned short PriorityEdge::getFirstIndex() const { return firstIndex; }

unsigned short PriorityEdge::getSecondIndex() const { return secondIndex; }

float PriorityEdge::getPriority() const { return priority; }

EdgeType PriorityEdge::getEdgeType() const { return edgeType; }
