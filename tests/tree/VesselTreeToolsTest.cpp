#include "support/VesselTrees.h"

#include <angiolith/tree/VesselTreeTools.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace angiolith::test;

std::vector<Vessel*> vesselsOf(ArVesselTree& tree) {
    std::vector<Vessel*> out;
    IteratorRef it(tree->preorderIterator());
    while (it->hasNext()) {
        out.push_back(it->next().get());
    }
    return out;
}

class VesselTreeToolsTest : public HandleTableTest {};

TEST_F(VesselTreeToolsTest, ACloneSharesNothingAndKeepsEverything) {
    Labelled l = build("R(A(C(D,E(F)),G),B,H(I(J,K),L))");
    // Give every vessel voxels, attributes and a cyclic partner to compare.
    IteratorRef it(l.tree->preorderIterator());
    while (it->hasNext()) {
        VesselRef v = it->next();
        const float id = static_cast<float>(v->getId());
        Vector3<float> voxel{id, id + 1, id + 2};
        v->addVoxel(voxel);
        v->setCyclicId(v->getId() * 3);
        v->getProperties().segment = v->getId() + 2;
        v->getProperties().secondFlag = v->getId() % 2 == 1;
        v->add(VesselElement{{id, 5, 6}, 2.5f, 7});
    }
    ArVesselTree copy = VesselTreeTools::Clone(l.tree);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), l.tree.get());
    EXPECT_EQ(shapeOf(l, *copy), shapeOf(l, *l.tree));
    std::vector<Vessel*> source = vesselsOf(l.tree);
    std::vector<Vessel*> cloned = vesselsOf(copy);
    ASSERT_EQ(cloned.size(), source.size());
    std::set<Vessel*> sourceSet(source.begin(), source.end());
    for (std::size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(sourceSet.count(cloned[i]), 0u);
        EXPECT_TRUE(*cloned[i] == *source[i]);
        EXPECT_EQ(cloned[i]->getId(), source[i]->getId());
        EXPECT_EQ(cloned[i]->getCyclicId(), source[i]->getCyclicId());
        EXPECT_EQ(cloned[i]->getVoxelList().size(), 1u);
        EXPECT_EQ(cloned[i]->getVoxelList()[0].z, source[i]->getVoxelList()[0].z);
        EXPECT_EQ(cloned[i]->getElement(1).scalar, 7.0f);
        // Each cloned vessel is held by its node only.
        EXPECT_EQ(arBase::counter[cloned[i]], 1);
    }
    // The clone's nodes are its own too: removing one leaves the source as it was.
    std::ostringstream before;
    before << l.tree;
    IteratorRef edit(copy->preorderIterator());
    edit->next();
    edit->next();
    EXPECT_TRUE(edit->remove());
    std::ostringstream after;
    after << l.tree;
    EXPECT_EQ(after.str(), before.str());
    EXPECT_EQ(copy->size(), 7);
    EXPECT_EQ(l.tree->size(), 13);

    // A view's clone copies the view's subtree only.
    const ArVesselTree view(placedAt(l, "C")->getSubTree());
    EXPECT_EQ(shapeOf(l, *VesselTreeTools::Clone(view)), "C(D,E(F))");

    // A tree of one node too.
    Labelled one = build("R");
    ArVesselTree single = VesselTreeTools::Clone(one.tree);
    ASSERT_EQ(vesselsOf(single).size(), 1u);
    EXPECT_NE(vesselsOf(single)[0], vesselsOf(one.tree)[0]);
    EXPECT_TRUE(*vesselsOf(single)[0] == *vesselsOf(one.tree)[0]);
}

}  // namespace
