#include "territory/SampleVessels.h"

#include <angiolith/territory/EntireVesselTreeSampler.h>

VesselElementList* EntireVesselTreeSampler::getVesselTreeSamples(const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [](const VesselProperties&) { return true; });
}
