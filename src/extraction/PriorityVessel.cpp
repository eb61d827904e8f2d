#include <angiolith/extraction/PriorityVessel.h>

#include <utility>

PriorityVessel::PriorityVessel(ArVesselTree theSubTree, float thePriority, long theVesselId,
                               long theParentId)
    : subTree(std::move(theSubTree)),
      priority(thePriority),
      vesselId(static_cast<std::int32_t>(theVesselId)),
      parentId(static_cast<std::int32_t>(theParentId)) {}

PriorityVessel::~PriorityVessel() = default;

float PriorityVessel::getPriority() const { return priority; }

ArVesselTree PriorityVessel::getSubTree() const { return subTree; }

long PriorityVessel::getVesselId() const { return vesselId; }

long PriorityVessel::getParentId() const { return parentId; }
