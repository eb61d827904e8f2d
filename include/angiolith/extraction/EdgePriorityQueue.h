#ifndef ANGIOLITH_EXTRACTION_EDGEPRIORITYQUEUE_H
#define ANGIOLITH_EXTRACTION_EDGEPRIORITYQUEUE_H

#include <angiolith/extraction/PriorityEdge.h>
#include <angiolith/extraction/detail/PriorityHeap.h>

#include <vector>

/// A max-priority queue of edges, kept with the standard library's push-heap and pop-heap rules,
/// so that edges of equal priority come out in the order those rules give.
///
/// The queue does not own its edges: whoever pops an edge deletes it, and destroying the queue
/// frees only its array.
class EdgePriorityQueue {
public:
    EdgePriorityQueue() = default;
    virtual ~EdgePriorityQueue();
    /// Adds @p edge (borrowed until popped).
    virtual void push(PriorityEdge* edge);
    /// Removes and returns the edge of highest priority (the caller deletes it), or null when
    /// the queue is empty.
    virtual PriorityEdge* pop();
    virtual bool isEmpty() const;

private:
    std::vector<PriorityEdge*> heap;
    angiolith::detail::LowerPriority comparator;
};

#endif
