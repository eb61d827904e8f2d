// The cleaner on the whole chain: a vessel phantom with surface bumps is thinned, a tree is
// extracted from the skeleton and cleaned. Spurs (of the bumps and of the thinning) are judged
// on the extracted tree, with its estimated radii; branches against the phantom's ground truth.

#include "phantom/VesselPhantom.h"
#include "support/PhantomChain.h"

#include <angiolith/cleaning/RelevanceVesselTreeCleaner.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

using namespace angiolith::phantom;

namespace {

using VesselNode = Node<ar<Vessel>>;

struct Point {
    float x, y, z;
};

Point at(const VesselElement& e) { return {e.position.x, e.position.y, e.position.z}; }

float distance(const Point& a, const Point& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

VesselNode* rootNode(const ArVesselTree& tree) {
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    it->next();
    return it->getCurrentNode();
}

// Every vessel of the tree, in preorder.
std::vector<ar<Vessel>> vesselsOf(const ArVesselTree& tree) {
    std::vector<ar<Vessel>> vessels;
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    while (it->hasNext()) vessels.push_back(it->next());
    return vessels;
}

// The distance from @p to to the nearest centre-line sample of the tree.
float nearest(const ArVesselTree& tree, const Point& to) {
    float best = INFINITY;
    for (const ar<Vessel>& v : vesselsOf(tree)) {
        for (int i = 0; i < v->getSize(); ++i)
            best = std::min(best, distance(at(v->getElement(i)), to));
    }
    return best;
}

// Spurs: leaf vessels all of whose samples but the first (the branching point) lie closer to
// their parent's end than the parent's diameter there, that is twice its radius.
void collectSpurs(VesselNode* node, std::vector<ar<Vessel>>& spurs) {
    const ar<Vessel> parent = node->getValue();
    const VesselElement end = parent->getElement(parent->getSize() - 1);
    for (int c = 0; c < node->getNumberOfChildren(); ++c) {
        VesselNode* child = node->getChild(c);
        const ar<Vessel> v = child->getValue();
        float reach = 0;
        for (int i = 1; i < v->getSize(); ++i) {
            reach = std::max(reach, distance(at(v->getElement(i)), at(end)));
        }
        if (child->getNumberOfChildren() == 0 && reach < end.diameter) {
            spurs.push_back(v);
        }
        collectSpurs(child, spurs);
    }
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

    std::vector<ar<Vessel>> spurs;
    collectSpurs(rootNode(tree), spurs);

    RelevanceVesselTreeCleaner().cleanTree(tree);

    // Every spur of the extracted tree is gone.
    ASSERT_FALSE(spurs.empty());
    std::set<const Vessel*> kept;
    for (const ar<Vessel>& v : vesselsOf(tree)) kept.insert(v.get());
    for (const ar<Vessel>& spur : spurs) {
        EXPECT_EQ(kept.count(spur.get()), 0u) << "spur " << spur->getId();
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
        EXPECT_LE(nearest(tree, end), line.back().radius + 1.5f)
            << "branch ending at " << end.x << " " << end.y << " " << end.z;
    }
    EXPECT_GT(longBranches, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RelevanceVesselTreeCleanerPhantom, testing::Values(1u, 2u, 3u));
