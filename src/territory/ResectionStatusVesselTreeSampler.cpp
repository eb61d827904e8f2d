#include "territory/SampleVessels.h"

#include <angiolith/territory/ResectionStatusVesselTreeSampler.h>

VesselElementList* ResectionStatusVesselTreeSampler::getVesselTreeSamples(
    const ArVesselTree& tree) {
    return angiolith::detail::sampleVessels(tree, [this](const VesselProperties& properties) {
        return properties.type == bloodVesselType &&
               !(onlyDefinedResectionStatus && properties.resectionStatus == 1);
    });
}

void ResectionStatusVesselTreeSampler::SetOnlyDefinedResectionStatus(const bool& onlyDefined) {
    onlyDefinedResectionStatus = onlyDefined;
}

bool ResectionStatusVesselTreeSampler::GetOnlyDefinedResectionStatus() {
    return onlyDefinedResectionStatus;
}

void ResectionStatusVesselTreeSampler::SetBloodVesselType(VesselProperties::NType type) {
    bloodVesselType = type;
}

VesselProperties::NType ResectionStatusVesselTreeSampler::GetBloodVesselType() {
    return bloodVesselType;
}
