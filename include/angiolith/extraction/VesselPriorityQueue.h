#ifndef ANGIOLITH_EXTRACTION_VESSELPRIORITYQUEUE_H
#define ANGIOLITH_EXTRACTION_VESSELPRIORITYQUEUE_H

#include <angiolith/extraction/PriorityVessel.h>
#include <angiolith/extraction/detail/PriorityHeap.h>

#include <vector>

/// A max-priority queue of pending vessels with the standard library's heap rules (the rules of
/// EdgePriorityQueue), so that equal priorities come out in the order those rules give.
///
/// The queue does not own its entries: whoever pops one deletes it, and destroying the queue
/// frees only its array.
class VesselPriorityQueue {
public:
    VesselPriorityQueue() = default;
    virtual ~VesselPriorityQueue();
    /// Adds @p vessel (borrowed until popped).
    virtual void push(PriorityVessel* vessel);
    /// Removes and returns the vessel of highest priority (caller deletes), or null when empty.
    virtual PriorityVessel* pop();
    virtual bool isEmpty() const;

private:
    std::vector<PriorityVessel*> heap;
    angiolith::detail::LowerPriority comparator;
};

#endif
