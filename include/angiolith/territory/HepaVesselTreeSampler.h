#ifndef ANGIOLITH_TERRITORY_HEPAVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_HEPAVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples the hepatic vessels (type 1).
class HepaVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
};

#endif
