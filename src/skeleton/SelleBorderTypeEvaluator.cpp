#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>

namespace {

// Face neighbour of one direction and the other eight voxels of the 3 x 3 plane on that side.
struct Plane {
    int face;
    int others[8];
};

constexpr Plane kPlusZ{4, {0, 1, 2, 3, 5, 6, 7, 8}};
constexpr Plane kMinusZ{21, {17, 18, 19, 20, 22, 23, 24, 25}};
constexpr Plane kPlusX{13, {2, 5, 8, 11, 16, 19, 22, 25}};
constexpr Plane kMinusX{12, {0, 3, 6, 9, 14, 17, 20, 23}};
constexpr Plane kPlusY{10, {0, 1, 2, 9, 11, 17, 18, 19}};
constexpr Plane kMinusY{15, {6, 7, 8, 14, 16, 23, 24, 25}};

bool isBorder(const unsigned char* nb, const Plane& plane) {
    if (nb[plane.face] != 0) return false;
    int sum = 0;
    for (int i : plane.others) sum += nb[i];
    return sum <= 1;
}

}  // namespace

SelleBorderTypeEvaluator::~SelleBorderTypeEvaluator() = default;

bool SelleBorderTypeEvaluator::isBorderPlusZ(unsigned char* nb) { return isBorder(nb, kPlusZ); }
bool SelleBorderTypeEvaluator::isBorderMinusZ(unsigned char* nb) { return isBorder(nb, kMinusZ); }
bool SelleBorderTypeEvaluator::isBorderPlusX(unsigned char* nb) { return isBorder(nb, kPlusX); }
bool SelleBorderTypeEvaluator::isBorderMinusX(unsigned char* nb) { return isBorder(nb, kMinusX); }
bool SelleBorderTypeEvaluator::isBorderPlusY(unsigned char* nb) { return isBorder(nb, kPlusY); }
bool SelleBorderTypeEvaluator::isBorderMinusY(unsigned char* nb) { return isBorder(nb, kMinusY); }
