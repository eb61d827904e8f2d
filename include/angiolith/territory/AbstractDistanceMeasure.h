#ifndef ANGIOLITH_TERRITORY_ABSTRACTDISTANCEMEASURE_H
#define ANGIOLITH_TERRITORY_ABSTRACTDISTANCEMEASURE_H

#include <angiolith/territory/TissueElement.h>

/// Strategy for the distance between a tissue element and a point. An estimator owns one and
/// hands it out; the library's own searches use squared Euclidean distances directly.
class AbstractDistanceMeasure {
public:
    /// Distance between @p element's position and the three floats at @p point (borrowed).
    virtual float computeDistance(TissueElement& element, const float* point) = 0;
    virtual ~AbstractDistanceMeasure() = default;
};

#endif
