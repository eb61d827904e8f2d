#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/SelleSimplePointEvaluator.h>
#include <angiolith/skeleton/SimpleEndpointEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using skeletontest::Offset;

int nonzeroAxes(const Offset& o) { return (o.dx != 0) + (o.dy != 0) + (o.dz != 0); }

// Simple point for (26, 6) topology after G. Bertrand and G. Malandain, "A new
// characterization of three-dimensional simple points", Pattern Recognition Letters 15(2),
// 1994: one 26-component of object neighbours, and one 6-component of background voxels of
// the 18-neighbourhood that is 6-adjacent to the centre.
bool bertrandSimple(const unsigned char* nb) {
    const auto off = skeletontest::neighbourOffsets();
    auto adjacent6 = [](const Offset& a, const Offset& b) {
        return std::abs(a.dx - b.dx) + std::abs(a.dy - b.dy) + std::abs(a.dz - b.dz) == 1;
    };
    const int object = skeletontest::neighbourComponents(
        [&](int i) { return nb[i] != 0; }, skeletontest::adjacent26, [](int) { return true; });
    const int background = skeletontest::neighbourComponents(
        [&](int i) { return nb[i] == 0 && nonzeroAxes(off[i]) <= 2; }, adjacent6,
        [&](int i) { return nonzeroAxes(off[i]) == 1; });
    return object == 1 && background == 1;
}

}  // namespace

// The three-part test accepts exactly the simple points that are not line ends (at most one
// object neighbour), from empty to full neighbourhoods.
TEST(SelleSimplePointEvaluator, AgreesWithBertrandMalandainCharacterisation) {
    SelleSimplePointEvaluator e;
    SimpleEndpointEvaluator endpoint;
    std::mt19937 rng(3);
    for (int trial = 0; trial < 20000; ++trial) {
        unsigned char nb[26];
        const unsigned density = 1 + trial % 9;
        for (auto& v : nb) v = (rng() % 10) < density ? 1 : 0;
        int count = 0;
        for (unsigned char v : nb) count += v != 0;
        EXPECT_EQ(e.isSimplePoint(nb), bertrandSimple(nb) && count >= 2) << "trial " << trial;
        EXPECT_EQ(endpoint.isEndpoint(nb), count <= 1) << "trial " << trial;
    }
}

namespace {

class NoEndpoints : public EndpointEvaluator {
public:
    bool isEndpoint(unsigned char*) override { return false; }
};
using FixedEndpointEvaluator = skeletontest::Counted<NoEndpoints>;

}  // namespace

TEST(SelleSimplePointEvaluator, SettersReplaceAndOwnComponents) {
    int deaths = 0;
    {
        SelleSimplePointEvaluator e;
        unsigned char one[26] = {};
        one[4] = 1;
        auto* first = new FixedEndpointEvaluator(&deaths);
        e.setEndpointEvaluator(first);
        EXPECT_TRUE(e.isSimplePoint(one));  // a line end counts as deletable now
        e.setEndpointEvaluator(nullptr);    // ignored
        e.setEndpointEvaluator(first);      // the evaluator already held: kept, not deleted
        EXPECT_EQ(deaths, 0);
        e.setEndpointEvaluator(new FixedEndpointEvaluator(&deaths));
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 2);
}
