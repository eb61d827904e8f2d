// The cleaner on the whole chain: a vessel phantom with surface bumps is thinned, a tree is
// extracted from the skeleton and cleaned. Spurs (of the bumps and of the thinning) are judged
// on the extracted tree, with its estimated radii; branches against the phantom's ground truth.

#include "extraction/ExtractionTestUtil.h"
#include "phantom/VesselPhantom.h"
#include "support/PhantomChain.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace angiolith::phantom;

using extraction_test::summarize;
using extraction_test::VesselSummary;

namespace {

using Point = std::array<float, 3>;

float distance(const Point& a, const Point& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// The distance from @p to to the nearest centre-line sample of the vessels.
float nearest(const std::vector<VesselSummary>& vessels, const Point& to) {
    float best = INFINITY;
    for (const VesselSummary& v : vessels)
        for (const Point& p : v.positions) best = std::min(best, distance(p, to));
    return best;
}

// The ids of the spurs: leaf vessels all of whose samples but the first (the branching point) lie
// closer to their parent's end than the parent's diameter there, that is twice its radius.
std::vector<int> spurs(const std::vector<VesselSummary>& vessels) {
    std::vector<int> result;
    for (const VesselSummary& v : vessels) {
        const auto isParent = [&](const VesselSummary& p) { return p.id == v.parentId; };
        const auto parent = std::find_if(vessels.begin(), vessels.end(), isParent);
        const bool leaf = std::none_of(vessels.begin(), vessels.end(),
                                       [&](const VesselSummary& c) { return c.parentId == v.id; });
        if (parent == vessels.end() || !leaf) continue;
        float reach = 0;
        for (std::size_t i = 1; i < v.positions.size(); ++i) {
            reach = std::max(reach, distance(v.positions[i], parent->positions.back()));
        }
        if (reach < parent->diameters.back()) result.push_back(v.id);
    }
    return result;
}

class RelevanceVesselTreeCleanerPhantom : public testing::TestWithParam<unsigned> {};

}  // namespace

TEST_P(RelevanceVesselTreeCleanerPhantom, RemovesSpursAndKeepsLongBranches) {
    PhantomOptions options = PhantomOptions::small();
    options.surfaceBumps = true;
    options.tissue = false;
    options.seed = GetParam();
    Phantom phantom = makePhantom(options);
    ASSERT_FALSE(phantom.bumps.empty());

    ArVesselTree tree = chain_test::extractedTree(phantom);

    const std::vector<int> spurIds = spurs(summarize(tree));
    RelevanceVesselTreeCleaner().cleanTree(tree);
    const std::vector<VesselSummary> cleaned = summarize(tree);

    // Every spur of the extracted tree is gone.
    ASSERT_FALSE(spurIds.empty());
    for (int spur : spurIds) {
        const auto isSpur = [&](const VesselSummary& v) { return v.id == spur; };
        EXPECT_TRUE(std::none_of(cleaned.begin(), cleaned.end(), isSpur)) << "spur " << spur;
    }

    // Every phantom branch reaching beyond twice its parent's radius, with two voxels to spare
    // for the radius estimated from the thinning's distances, keeps its end: the extracted
    // centre line ends within the branch's end cap (radius plus 1.5 voxels).
    int longBranches = 0;
    for (const auto& vessel : phantom.truth) {
        if (vessel.parent < 0 || !vessel.children.empty()) {
            continue;
        }
        const float parentRadius =
            phantom.truth[static_cast<std::size_t>(vessel.parent)].centreLine.back().radius;
        const auto& line = vessel.centreLine;
        const Point fork{line.front().x, line.front().y, line.front().z};
        float reach = 0;
        for (const auto& s : line) {
            reach = std::max(reach, distance({s.x, s.y, s.z}, fork));
        }
        if (reach < 2.0f * parentRadius + 2.0f) {
            continue;
        }
        ++longBranches;
        const Point end{line.back().x, line.back().y, line.back().z};
        EXPECT_LE(nearest(cleaned, end), line.back().radius + 1.5f)
            << "branch ending at " << end[0] << " " << end[1] << " " << end[2];
    }
    EXPECT_GT(longBranches, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RelevanceVesselTreeCleanerPhantom, testing::Values(1u, 2u, 3u));
