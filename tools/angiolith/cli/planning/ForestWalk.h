#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_FORESTWALK_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_FORESTWALK_H

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Node.h>

#include <cstddef>
#include <vector>

namespace angiolith::tool::planning {

/// One vessel of a set of trees with its place: the tree it belongs to, its node and its parent.
struct VesselEntry {
    std::size_t tree = 0;              ///< index of the tree in the set, from 0
    Node<ar<Vessel>>* node = nullptr;  ///< the vessel's node (owned by the tree)
    Vessel* vessel = nullptr;          ///< the vessel itself (owned through the node)
    long parent = -1;                  ///< index of the parent entry, -1 for a root
    int depth = 0;                     ///< 0 for a root
};

/// Every vessel of @p trees, tree by tree and in preorder within each tree, so that a parent
/// always comes before its children. The entries point into the trees: any change to the
/// trees' structure makes them stale.
std::vector<VesselEntry> flatten(const std::vector<ArVesselTree>& trees);

/// For every entry of @p entries, whether it lies in the subtree of entry @p top (itself
/// included).
std::vector<bool> subtreeOf(const std::vector<VesselEntry>& entries, std::size_t top);

/// The largest vessel id of @p entries (0 when there is none).
int maxIdOf(const std::vector<VesselEntry>& entries);

}  // namespace angiolith::tool::planning

#endif
