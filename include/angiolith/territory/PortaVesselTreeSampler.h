#ifndef ANGIOLITH_TERRITORY_PORTAVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_PORTAVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples the portal vessels (type 2).
class PortaVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
};

#endif
