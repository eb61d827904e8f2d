#include "territory/SampleVessels.h"

#include <angiolith/territory/PortaVesselTreeSampler.h>

VesselElementList* PortaVesselTreeSampler::getVesselTreeSamples(const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [](const VesselProperties& properties) {
        return properties.type == VesselProperties::PORTAL;
    });
}
