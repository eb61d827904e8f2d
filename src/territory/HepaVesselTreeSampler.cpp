#include "territory/SampleVessels.h"

#include <angiolith/territory/HepaVesselTreeSampler.h>

VesselElementList* HepaVesselTreeSampler::getVesselTreeSamples(const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [](const VesselProperties& properties) {
        return properties.type == VesselProperties::HEPATIC;
    });
}
