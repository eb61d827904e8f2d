#include "territory/SampleVessels.h"

#include <angiolith/territory/OnlyDefinedHepaVesselTreeSampler.h>

VesselElementList* OnlyDefinedHepaVesselTreeSampler::getVesselTreeSamples(
    const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [](const VesselProperties& properties) {
        return properties.type == VesselProperties::HEPATIC && properties.segment != 1;
    });
}
