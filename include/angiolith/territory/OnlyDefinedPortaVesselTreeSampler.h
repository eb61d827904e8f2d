#ifndef ANGIOLITH_TERRITORY_ONLYDEFINEDPORTAVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_ONLYDEFINEDPORTAVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples the portal vessels (type 2) whose segment is defined (not 1).
class OnlyDefinedPortaVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
};

#endif
