#ifndef ANGIOLITH_TESTS_EXTRACTION_TREESUMMARY_H
#define ANGIOLITH_TESTS_EXTRACTION_TREESUMMARY_H

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/TreeIterator.h>

#include <array>
#include <vector>

namespace extraction_test {

// One vessel of an extracted tree, read in preorder.
struct VesselSummary {
    int id;
    int cyclicId;
    int parentId;
    std::vector<std::array<float, 3>> positions;
    std::vector<float> diameters;
};

inline void collect(TreeIterator<ar<Vessel>>& it, int parentId, std::vector<VesselSummary>& out) {
    ar<Vessel> v = it.getValue();
    VesselSummary s{v->getId(), v->getCyclicId(), parentId, {}, {}};
    for (int i = 0; i < v->getSize(); ++i) {
        const VesselElement e = v->getElement(i);
        s.positions.push_back({e.position.x, e.position.y, e.position.z});
        s.diameters.push_back(e.diameter);
    }
    out.push_back(s);
    ar<TreeIterator<ar<Vessel>>> children(it.childIterator());
    while (children->hasNext()) {
        children->next();
        collect(*children, s.id, out);
    }
}

inline std::vector<VesselSummary> summarize(ArVesselTree& tree) {
    std::vector<VesselSummary> out;
    ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    if (!it->hasNext()) return out;
    it->next();
    collect(*it, -1, out);
    return out;
}

}  // namespace extraction_test

#endif
