#include "extraction/SkeletonAccess.h"

#include <angiolith/extraction/VisitableNeighbours.h>

void VisitableNeighbours::addNeighbour(const Vector3<short>& v, long id) {
    neighbours.push_back(v);
    vesselIds.push_back(static_cast<std::int32_t>(id));
    if (id != -1) ++cyclicCount;
}

void VisitableNeighbours::checkIndex(unsigned i) const {
    if (i >= neighbours.size()) {
        angiolith::detail::pathFinderFailure("VisitableNeighbours::isCyclic(): wrong index");
    }
}

Vector3<short> VisitableNeighbours::getNeighbour(unsigned i) const {
    checkIndex(i);
    return neighbours[i];
}

long VisitableNeighbours::getVesselId(unsigned i) const {
    checkIndex(i);
    return vesselIds[i];
}

bool VisitableNeighbours::isCyclic(unsigned i) const {
    checkIndex(i);
    return vesselIds[i] != -1;
}
