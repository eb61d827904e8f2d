#ifndef ANGIOLITH_TERRITORY_RESECTIONSTATUSVESSELTREESAMPLER_H
#define ANGIOLITH_TERRITORY_RESECTIONSTATUSVESSELTREESAMPLER_H

#include <angiolith/territory/AbstractVesselTreeSampler.h>

/// Samples the vessels of one vessel system (default portal), by default only those whose
/// resection status is defined (not 1).
class ResectionStatusVesselTreeSampler : public AbstractVesselTreeSampler {
public:
    VesselElementList* getVesselTreeSamples(const ArVesselTree& tree) override;
    /// Whether vessels of resection status 1 (undefined) are skipped.
    virtual void SetOnlyDefinedResectionStatus(const bool& onlyDefined);
    virtual bool GetOnlyDefinedResectionStatus();
    /// The vessel system sampled; any stored value is matched exactly.
    virtual void SetBloodVesselType(VesselProperties::NType type);
    virtual VesselProperties::NType GetBloodVesselType();

private:
    bool onlyDefinedResectionStatus = true;
    VesselProperties::NType bloodVesselType = VesselProperties::PORTAL;
};

#endif
