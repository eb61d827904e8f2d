#include "skeleton/NeighbourhoodTables.h"

#include <angiolith/skeleton/RecursiveNeighbourhoodConnectionEvaluator.h>

RecursiveNeighbourhoodConnectionEvaluator::~RecursiveNeighbourhoodConnectionEvaluator() = default;

bool RecursiveNeighbourhoodConnectionEvaluator::isConnected(unsigned char* nb) {
    using angiolith::detail::kAdjacencyMasks;
    if (nb == nullptr) return false;
    const std::uint32_t objects = angiolith::detail::objectMask(nb);
    if (objects == 0) return false;
    // Flood from the highest object position. The reached set does not depend on the visiting
    // order, so a bit-set work list replaces the depth-first recursion.
    const std::uint32_t start = std::uint32_t{1} << (31 - __builtin_clz(objects));
    std::uint32_t reached = start;
    std::uint32_t pending = start;
    while (pending != 0) {
        const int i = __builtin_ctz(pending);
        pending &= pending - 1;
        const std::uint32_t fresh = kAdjacencyMasks[i] & objects & ~reached;
        reached |= fresh;
        pending |= fresh;
    }
    return reached == objects;
}
