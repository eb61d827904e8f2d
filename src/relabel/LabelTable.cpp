#include "relabel/LabelTable.h"

#include "diagnostics/DiagnosticLine.h"

#include <stdexcept>

namespace angiolith::detail {

namespace {

// Calls visit(vessel) for every vessel of the tree in preorder.
template <typename Visit>
void forEachVessel(const ArVesselTree& tree, Visit visit) {
    if (tree.operator->() == nullptr) {
        return;
    }
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    while (it->hasNext()) {
        const ar<Vessel> vessel = it->next();
        visit(*vessel);
    }
}

}  // namespace

unsigned int maxVesselId(const ArVesselTree& tree) {
    int maxId = 0;
    forEachVessel(tree, [&maxId](Vessel& vessel) {
        if (vessel.getId() > maxId) {
            maxId = vessel.getId();
        }
    });
    return static_cast<unsigned int>(maxId);
}

std::vector<unsigned int> buildLabelTable(const ArVesselTree& tree, unsigned int maxId,
                                          VesselLabelOf labelOf) {
    std::vector<unsigned int> labels(static_cast<std::size_t>(maxId) + 1, 0);
    forEachVessel(tree, [&labels, labelOf](Vessel& vessel) {
        const int id = vessel.getId();
        if (id >= 0 && static_cast<std::size_t>(id) < labels.size()) {
            labels[static_cast<std::size_t>(id)] = labelOf(vessel.getProperties());
        }
    });
    return labels;
}

unsigned int lookupLabel(const std::vector<unsigned int>& labels, unsigned int id,
                         const char* rangeError) {
    if (id < labels.size()) {
        return labels[id];
    }
    angiolith::detail::diagnosticLine(DiagnosticStream::Output,
                                      "Range overflow: " + std::to_string(id));
    throw std::runtime_error(rangeError);
}

}  // namespace angiolith::detail
