#ifndef ANGIOLITH_TERRITORY_ENTIREVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_ENTIREVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples every vessel of the tree.
class EntireVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
};

#endif
