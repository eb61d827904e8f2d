#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/SelleSimplePointEvaluator.h>
#include <angiolith/skeleton/SimpleEndpointEvaluator.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using skeletontest::Offset;

std::vector<Offset> offsets() { return skeletontest::neighbourOffsets(); }

int nonzeroAxes(const Offset& o) { return (o.dx != 0) + (o.dy != 0) + (o.dz != 0); }

// Number of components, under the given adjacency, of the positions selected by `in` that
// contain a position selected by `anchor`.
template <typename In, typename Adjacent, typename Anchor>
int components(const std::vector<Offset>& off, In in, Adjacent adjacent, Anchor anchor) {
    int label[26] = {};
    int count = 0;
    for (int i = 0; i < 26; ++i) {
        if (!in(i) || label[i]) continue;
        ++count;
        std::vector<int> stack{i};
        label[i] = count;
        while (!stack.empty()) {
            const int j = stack.back();
            stack.pop_back();
            for (int k = 0; k < 26; ++k)
                if (in(k) && !label[k] && adjacent(off[j], off[k])) {
                    label[k] = count;
                    stack.push_back(k);
                }
        }
    }
    int anchored = 0;
    for (int c = 1; c <= count; ++c) {
        bool hit = false;
        for (int i = 0; i < 26; ++i) hit = hit || (label[i] == c && anchor(i));
        anchored += hit;
    }
    return anchored;
}

// Simple point for (26, 6) topology after G. Bertrand and G. Malandain, "A new
// characterization of three-dimensional simple points", Pattern Recognition Letters 15(2),
// 1994: one 26-component of object neighbours, and one 6-component of background voxels of
// the 18-neighbourhood that is 6-adjacent to the centre.
bool bertrandSimple(const unsigned char* nb) {
    const auto off = offsets();
    auto adjacent26 = [](const Offset& a, const Offset& b) {
        return std::abs(a.dx - b.dx) <= 1 && std::abs(a.dy - b.dy) <= 1 &&
               std::abs(a.dz - b.dz) <= 1;
    };
    auto adjacent6 = [](const Offset& a, const Offset& b) {
        return std::abs(a.dx - b.dx) + std::abs(a.dy - b.dy) + std::abs(a.dz - b.dz) == 1;
    };
    const int object = components(
        off, [&](int i) { return nb[i] != 0; }, adjacent26, [](int) { return true; });
    const int background = components(
        off, [&](int i) { return nb[i] == 0 && nonzeroAxes(off[i]) <= 2; }, adjacent6,
        [&](int i) { return nonzeroAxes(off[i]) == 1; });
    return object == 1 && background == 1;
}

}  // namespace

TEST(SelleSimplePointEvaluator, HandWorkedNeighbourhoods) {
    SelleSimplePointEvaluator e;
    SimpleEndpointEvaluator endpoint;
    unsigned char isolated[26] = {};
    EXPECT_TRUE(endpoint.isEndpoint(isolated));
    EXPECT_FALSE(e.isSimplePoint(isolated));
    unsigned char one[26] = {};
    one[4] = 1;
    EXPECT_TRUE(endpoint.isEndpoint(one));
    EXPECT_FALSE(e.isSimplePoint(one));
    unsigned char full[26];
    for (auto& v : full) v = 1;
    EXPECT_FALSE(endpoint.isEndpoint(full));
    EXPECT_FALSE(e.isSimplePoint(full));
    unsigned char apart[26] = {};
    apart[12] = apart[13] = 1;
    EXPECT_FALSE(endpoint.isEndpoint(apart));
    EXPECT_FALSE(e.isSimplePoint(apart));
    unsigned char corner[26] = {};
    corner[12] = corner[9] = 1;
    EXPECT_TRUE(e.isSimplePoint(corner));
}

// The three-part test accepts exactly the simple points that are not line ends.
TEST(SelleSimplePointEvaluator, AgreesWithBertrandMalandainCharacterisation) {
    SelleSimplePointEvaluator e;
    std::mt19937 rng(3);
    for (int trial = 0; trial < 20000; ++trial) {
        unsigned char nb[26];
        const unsigned density = 1 + trial % 9;
        for (auto& v : nb) v = (rng() % 10) < density ? 1 : 0;
        int count = 0;
        for (unsigned char v : nb) count += v != 0;
        EXPECT_EQ(e.isSimplePoint(nb), bertrandSimple(nb) && count >= 2) << "trial " << trial;
    }
}

namespace {

class FixedEndpointEvaluator : public EndpointEvaluator {
public:
    explicit FixedEndpointEvaluator(int* deaths) : deaths(deaths) {}
    ~FixedEndpointEvaluator() override { ++*deaths; }
    bool isEndpoint(unsigned char*) override { return false; }

private:
    int* deaths;
};

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
