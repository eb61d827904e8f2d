#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/SelleBorderTypeEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

struct Direction {
    int axis, sign;
    bool (SelleBorderTypeEvaluator::*test)(unsigned char*);
};

}  // namespace

// Each test against its definition: the face neighbour on the side is 0 and the rest of that
// side's plane adds up to at most 1 (stored values 1 and 3 are added); the plane is found from
// the offsets, not from a table.
TEST(SelleBorderTypeEvaluator, AgreesWithPlaneDefinition) {
    SelleBorderTypeEvaluator e;
    const Direction directions[6] = {{2, 1, &SelleBorderTypeEvaluator::isBorderPlusZ},
                                     {2, -1, &SelleBorderTypeEvaluator::isBorderMinusZ},
                                     {0, 1, &SelleBorderTypeEvaluator::isBorderPlusX},
                                     {0, -1, &SelleBorderTypeEvaluator::isBorderMinusX},
                                     {1, 1, &SelleBorderTypeEvaluator::isBorderPlusY},
                                     {1, -1, &SelleBorderTypeEvaluator::isBorderMinusY}};
    const auto off = skeletontest::neighbourOffsets();
    std::mt19937 rng(5);
    for (int trial = 0; trial < 4000; ++trial) {
        unsigned char nb[26] = {};
        const int count = trial % 5;
        for (int k = 0; k < count; ++k) nb[rng() % 26] = (rng() % 4 == 0) ? 3 : 1;
        for (const Direction& d : directions) {
            int faceValue = -1, rest = 0;
            for (int i = 0; i < 26; ++i) {
                const int c[3] = {off[i].dx, off[i].dy, off[i].dz};
                if (c[d.axis] != d.sign) continue;
                const bool isFace = c[(d.axis + 1) % 3] == 0 && c[(d.axis + 2) % 3] == 0;
                if (isFace) {
                    faceValue = nb[i];
                } else {
                    rest += nb[i];
                }
            }
            EXPECT_EQ((e.*d.test)(nb), faceValue == 0 && rest <= 1) << "trial " << trial;
        }
    }
}
