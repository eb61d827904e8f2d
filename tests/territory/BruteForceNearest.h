#ifndef ANGIOLITH_TESTS_TERRITORY_BRUTEFORCENEAREST_H
#define ANGIOLITH_TESTS_TERRITORY_BRUTEFORCENEAREST_H

#include <angiolith/tree/Vessel.h>

#include <cmath>
#include <vector>

namespace angiolith::test {

/// The answer expected for one query: vessel id (low 16 bits) and distance.
struct Nearest {
    unsigned short vesselId;
    float distance;
};

/// Nearest sample by looking at every sample: squared distances in double, summed x, y, z; the
/// smallest wins, and among equal ones the first in list order.
inline Nearest bruteForceNearest(const std::vector<VesselElementID>& samples, float x, float y,
                                 float z) {
    double best = 0.0;
    const VesselElementID* winner = nullptr;
    for (const VesselElementID& s : samples) {
        const double dx = static_cast<double>(x) - s.position.x;
        const double dy = static_cast<double>(y) - s.position.y;
        const double dz = static_cast<double>(z) - s.position.z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (winner == nullptr || d < best) {
            best = d;
            winner = &s;
        }
    }
    return {static_cast<unsigned short>(winner->vesselId), static_cast<float>(std::sqrt(best))};
}

}  // namespace angiolith::test

#endif
