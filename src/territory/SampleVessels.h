#ifndef ANGIOLITH_SRC_TERRITORY_SAMPLEVESSELS_H
#define ANGIOLITH_SRC_TERRITORY_SAMPLEVESSELS_H

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Vessel.h>

#include <memory>

namespace angiolith::detail {

/// The samples of every vessel of @p tree that @p select accepts (called with the vessel's
/// properties), vessel by vessel in preorder, each in centre-line order. Caller frees the list.
template <typename Select>
VesselElementList* sampleVessels(const ArVesselTree& tree, Select select) {
    auto samples = std::make_unique<VesselElementList>();
    const ar<TreeIterator<ar<Vessel>>> iterator(tree->preorderIterator());
    while (iterator->hasNext()) {
        iterator->next();
        const ar<Vessel> vessel = iterator->getValue();
        if (!select(vessel->getProperties())) continue;
        const int id = vessel->getId();
        for (auto element = vessel->elementsBegin(); element != vessel->elementsEnd(); ++element) {
            samples->push_back(VesselElementID{element->position, element->diameter, 0.0f, id});
        }
    }
    return samples.release();
}

}  // namespace angiolith::detail

#endif
