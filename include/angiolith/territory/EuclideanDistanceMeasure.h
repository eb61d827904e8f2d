#ifndef ANGIOLITH_TERRITORY_EUCLIDEANDISTANCEMEASURE_H
#define ANGIOLITH_TERRITORY_EUCLIDEANDISTANCEMEASURE_H

#include <angiolith/territory/AbstractDistanceMeasure.h>

/// The Euclidean distance, in single precision.
class EuclideanDistanceMeasure : public AbstractDistanceMeasure {
public:
    float computeDistance(TissueElement& element, const float* point) override;
};

#endif
