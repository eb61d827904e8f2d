#ifndef ANGIOLITH_EXTRACTION_VISITABLENEIGHBOURS_H
#define ANGIOLITH_EXTRACTION_VISITABLENEIGHBOURS_H

#include <angiolith/extraction/ShortVectorList.h>
#include <angiolith/tree/Vector3.h>

#include <cstdint>
#include <vector>

/// The voxels a walk may step to from one skeleton voxel, each with the id of the vessel that
/// visited it already (-1 when none did). Made by PathFinder::getUnvisitedNeighbours; the caller
/// deletes it.
class VisitableNeighbours {
public:
    /// Appends @p v with the vessel id @p id (-1: not visited).
    void addNeighbour(const Vector3<short>& v, long id);
    unsigned getNeighbourCount() const { return static_cast<unsigned>(neighbours.size()); }
    /// Number of neighbours visited by a vessel already.
    int getCyclicCount() const { return cyclicCount; }
    /// The indexed reads throw std::runtime_error (after a line on the standard error stream)
    /// for an index not below getNeighbourCount().
    Vector3<short> getNeighbour(unsigned i) const;
    long getVesselId(unsigned i) const;
    /// Whether neighbour @p i was visited by a vessel already.
    bool isCyclic(unsigned i) const;

private:
    void checkIndex(unsigned i) const;

    ShortVectorList neighbours;
    std::vector<std::int32_t> vesselIds;
    int cyclicCount = 0;
};

#endif
