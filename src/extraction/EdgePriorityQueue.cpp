#include <angiolith/extraction/EdgePriorityQueue.h>

EdgePriorityQueue::~EdgePriorityQueue() = default;

void EdgePriorityQueue::push(PriorityEdge* edge) {
    angiolith::detail::heapPush(heap, edge, comparator);
}

PriorityEdge* EdgePriorityQueue::pop() { return angiolith::detail::heapPop(heap, comparator); }

bool EdgePriorityQueue::isEmpty() const { return heap.empty(); }
