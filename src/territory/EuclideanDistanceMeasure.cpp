#include <angiolith/territory/EuclideanDistanceMeasure.h>

#include <cmath>

float EuclideanDistanceMeasure::computeDistance(TissueElement& element, const float* point) {
    const float* p = element.getPosition();
    const float dx = p[0] - point[0];
    const float dy = p[1] - point[1];
    const float dz = p[2] - point[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}
