#include "territory/SampleVessels.h"

#include <angiolith/territory/OnlyDefinedPortaVesselTreeSampler.h>

VesselElementList* OnlyDefinedPortaVesselTreeSampler::getVesselTreeSamples(
    const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [](const VesselProperties& properties) {
        return properties.type == VesselProperties::PORTAL && properties.segment != 1;
    });
}
