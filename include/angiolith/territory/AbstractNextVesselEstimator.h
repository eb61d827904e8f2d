#ifndef ANGIOLITH_TERRITORY_ABSTRACTNEXTVESSELESTIMATOR_H
#define ANGIOLITH_TERRITORY_ABSTRACTNEXTVESSELESTIMATOR_H

#include <angiolith/territory/AbstractDistanceMeasure.h>
#include <angiolith/territory/TissueElement.h>
#include <angiolith/tree/Vessel.h>

/// Answers, for a tissue element, which vessel's centre-line sample lies nearest. It is given the
/// samples once (setVesselElementList) and then queried once per tissue voxel.
class AbstractNextVesselEstimator {
public:
    /// The measure the estimator owns (borrowed by the caller).
    virtual AbstractDistanceMeasure* getDistanceMeasure() = 0;
    virtual ~AbstractNextVesselEstimator() = default;
    /// Stores @p measure; see the implementation for ownership.
    virtual void setDistanceMeasure(AbstractDistanceMeasure* measure) = 0;
    /// Gives the estimator its samples; see the implementation for ownership.
    virtual void setVesselElementList(VesselElementList* list) = 0;
    virtual VesselElementList* getVesselElementList() = 0;
    /// Fills @p element's vessel id and distance and returns @p element (borrowed).
    virtual TissueElement* getNextVessel(TissueElement* element) = 0;
};

#endif
