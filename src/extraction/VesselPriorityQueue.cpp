#include <angiolith/extraction/VesselPriorityQueue.h>

VesselPriorityQueue::~VesselPriorityQueue() = default;

void VesselPriorityQueue::push(PriorityVessel* vessel) {
    angiolith::detail::heapPush(heap, vessel, comparator);
}

PriorityVessel* VesselPriorityQueue::pop() { return angiolith::detail::heapPop(heap, comparator); }

bool VesselPriorityQueue::isEmpty() const { return heap.empty(); }
