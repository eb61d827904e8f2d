#include "cli/planning/ForestWalk.h"

#include <angiolith/tree/TreeIterator.h>

#include <algorithm>
#include <unordered_map>

namespace angiolith::tool::planning {

std::vector<VesselEntry> flatten(const std::vector<ArVesselTree>& trees) {
    std::vector<VesselEntry> entries;
    for (std::size_t t = 0; t < trees.size(); ++t) {
        if (!trees[t]) continue;
        std::unordered_map<const Node<ar<Vessel>>*, long> indexOf;
        ar<TreeIterator<ar<Vessel>>> it = trees[t]->preorderIterator();
        while (it->hasNext()) {
            ar<Vessel> vessel = it->next();
            VesselEntry entry;
            entry.tree = t;
            entry.node = it->getCurrentNode();
            entry.vessel = &*vessel;
            const auto parent = indexOf.find(entry.node->getParent());
            if (parent != indexOf.end()) {
                entry.parent = parent->second;
                entry.depth = entries[static_cast<std::size_t>(parent->second)].depth + 1;
            }
            indexOf[entry.node] = static_cast<long>(entries.size());
            entries.push_back(entry);
        }
    }
    return entries;
}

std::vector<bool> subtreeOf(const std::vector<VesselEntry>& entries, std::size_t top) {
    // Preorder puts a subtree right after its top, and a parent before its children.
    std::vector<bool> inside(entries.size(), false);
    inside[top] = true;
    for (std::size_t i = top + 1; i < entries.size(); ++i) {
        const long parent = entries[i].parent;
        if (entries[i].tree != entries[top].tree || parent < 0 ||
            !inside[static_cast<std::size_t>(parent)]) {
            break;
        }
        inside[i] = true;
    }
    return inside;
}

int maxIdOf(const std::vector<VesselEntry>& entries) {
    int largest = 0;
    for (const VesselEntry& entry : entries) largest = std::max(largest, entry.vessel->getId());
    return largest;
}

}  // namespace angiolith::tool::planning
