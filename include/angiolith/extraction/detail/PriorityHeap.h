#ifndef ANGIOLITH_EXTRACTION_DETAIL_PRIORITYHEAP_H
#define ANGIOLITH_EXTRACTION_DETAIL_PRIORITYHEAP_H

#include <algorithm>
#include <vector>

namespace angiolith::detail {

/// Orders pointers to objects with a getPriority() member: a before b when a's priority is less.
struct LowerPriority {
    template <typename P>
    bool operator()(const P* a, const P* b) const {
        return a->getPriority() < b->getPriority();
    }
};

/// Max-heap push with the standard library's heap rule: the new entry moves up only past a
/// strictly smaller parent, so entries of equal priority keep the standard tie order.
template <typename P>
void heapPush(std::vector<P*>& heap, P* item, LowerPriority comparator) {
    heap.push_back(item);
    std::push_heap(heap.begin(), heap.end(), comparator);
}

/// Removes and returns the entry of highest priority by the standard pop-heap rule, or null
/// when the heap is empty.
template <typename P>
P* heapPop(std::vector<P*>& heap, LowerPriority comparator) {
    if (heap.empty()) return nullptr;
    std::pop_heap(heap.begin(), heap.end(), comparator);
    P* top = heap.back();
    heap.pop_back();
    return top;
}

}  // namespace angiolith::detail

#endif
