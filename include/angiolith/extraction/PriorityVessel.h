#ifndef ANGIOLITH_EXTRACTION_PRIORITYVESSEL_H
#define ANGIOLITH_EXTRACTION_PRIORITYVESSEL_H

#include <angiolith/tree/ArVesselTree.h>

#include <cstdint>

/// A vessel waiting to be tracked: a view tree whose root node holds it, the priority of its
/// turn (the diameter at its branching voxel), its id and the id of the vessel it branches from.
class PriorityVessel {
public:
    PriorityVessel(ArVesselTree subTree, float priority, long vesselId, long parentId);
    /// Releases the view tree (never the nodes it shows).
    virtual ~PriorityVessel();
    virtual float getPriority() const;
    virtual ArVesselTree getSubTree() const;
    virtual long getVesselId() const;
    virtual long getParentId() const;

private:
    ArVesselTree subTree;
    float priority;
    std::int32_t vesselId;
    std::int32_t parentId;
};

#endif
