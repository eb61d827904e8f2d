#ifndef ANGIOLITH_TERRITORY_ONLYDEFINEDHEPAVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_ONLYDEFINEDHEPAVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples the hepatic vessels (type 1) whose segment is defined (not 1).
class OnlyDefinedHepaVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
};

#endif
