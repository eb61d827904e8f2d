#ifndef ANGIOLITH_TERRITORY_ABSTRACTVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_ABSTRACTVESSELTREESAMPLER_H

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/Vessel.h>

/// Collects the centre-line samples of the vessels a sampler selects. The samples come vessel by
/// vessel in preorder of the tree, each vessel's in centre-line order (first element included),
/// each tagged with the vessel's id; scalar is 0.
class AbstractVesselTreeSampler {
public:
    /// A new list of the selected samples (caller frees); @p tree is only read.
    virtual VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) = 0;
    virtual ~AbstractVesselTreeSampler() = default;
};

#endif
