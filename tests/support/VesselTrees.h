#ifndef ANGIOLITH_TESTS_SUPPORT_VESSELTREES_H
#define ANGIOLITH_TESTS_SUPPORT_VESSELTREES_H

// Small hand-made vessel trees for the tests: vessels, one builder with two notations (a nested
// Branch, or parallel lists of vessels and parent indices), and a check on forgotten handles.

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/LinkedTree.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace angiolith::test {

/// A fixture that checks that every test leaves the handle table (arBase::counter) as large as it
/// found it: no vessel, tree or iterator is kept alive by a forgotten handle.
class HandleTableTest : public testing::Test {
protected:
    void SetUp() override { tableSize = arBase::counter.size(); }
    void TearDown() override { EXPECT_EQ(arBase::counter.size(), tableSize); }

private:
    std::size_t tableSize = 0;
};

/// A vessel and the branches that leave it, in child order.
struct Branch {
    ar<Vessel> vessel;
    std::vector<Branch> children;
};

/// A vessel with the given id running through @p points, all with the same diameter.
inline ar<Vessel> vessel(int id, std::initializer_list<std::array<float, 3>> points,
                         float diameter) {
    ar<Vessel> v(new Vessel());
    v->setId(id);
    for (const auto& p : points) {
        v->add(VesselElement{{p[0], p[1], p[2]}, diameter, 0.0f});
    }
    return v;
}

/// A new vessel with the given id, attributes and centre-line positions (diameter 1, scalar 5).
inline ar<Vessel> makeVessel(int id, VesselProperties::NType type, int segment, int resectionStatus,
                             const std::vector<Vector3<float>>& positions) {
    ar<Vessel> vessel(new Vessel());
    vessel->setId(id);
    vessel->getProperties().type = type;
    vessel->getProperties().segment = segment;
    vessel->getProperties().resectionStatus = resectionStatus;
    for (const auto& p : positions) vessel->add(VesselElement{p, 1.0f, 5.0f});
    return vessel;
}

/// A tree whose root is @p vessels[0]; @p parents[i] is the index of vessel i's parent (i > 0),
/// which must come before i; children in list order. The vessels are shared, not copied. With
/// parents listed in order, preorder follows the rule "a vessel's subtree comes right after it",
/// so tests state the preorder they expect explicitly.
inline ArVesselTree makeTree(const std::vector<ar<Vessel>>& vessels,
                             const std::vector<int>& parents) {
    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    if (vessels.empty()) return tree;
    tree->setRoot(vessels[0]);
    for (std::size_t i = 1; i < vessels.size(); ++i) {
        ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
        while (it->hasNext()) {
            if (it->next() == vessels[static_cast<std::size_t>(parents[i])]) break;
        }
        it->addChild(vessels[i]);
    }
    return tree;
}

inline void flatten(const Branch& branch, int parent, std::vector<ar<Vessel>>& vessels,
                    std::vector<int>& parents) {
    const int self = static_cast<int>(vessels.size());
    vessels.push_back(branch.vessel);
    parents.push_back(parent);
    for (const Branch& child : branch.children) flatten(child, self, vessels, parents);
}

/// A new tree of the given shape; the vessels are shared with @p root, not copied.
inline ArVesselTree makeTree(const Branch& root) {
    std::vector<ar<Vessel>> vessels;
    std::vector<int> parents;
    flatten(root, -1, vessels, parents);
    return makeTree(vessels, parents);
}

/// How shape() names a vessel.
using VesselName = std::function<std::string(Vessel&)>;

inline std::string shapeBelow(Node<ar<Vessel>>* node, const VesselName& name) {
    std::string children;
    for (int i = 0; i < node->getNumberOfChildren(); ++i) {
        if (Node<ar<Vessel>>* child = node->getChild(i)) {
            children.append(children.empty() ? "" : ",").append(shapeBelow(child, name));
        }
    }
    const std::string self = name(*node->getValue());
    return children.empty() ? self : self + "(" + children + ")";
}

/// The tree's shape, read node by node (empty child entries left out): "1(2,3(4))" is vessel 1
/// with the children 2 and 3, and 4 below 3; vessels are named by @p name, by default their ids.
/// An empty tree gives "".
inline std::string shape(
    Tree<ar<Vessel>>& tree,
    const VesselName& name = [](Vessel& v) { return std::to_string(v.getId()); }) {
    const ar<TreeIterator<ar<Vessel>>> it(tree.preorderIterator());
    if (!it->hasNext()) return "";
    it->next();
    return shapeBelow(it->getCurrentNode(), name);
}
inline std::string shape(const ArVesselTree& tree) { return shape(*tree); }

/// The vessel at the root of a non-empty tree.
inline ar<Vessel> rootVessel(const ArVesselTree& tree) {
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    return it->next();
}

/// The positions of the vessel's samples, flattened to x, y, z, x, y, z, ...
inline std::vector<float> positions(Vessel& v) {
    std::vector<float> result;
    for (int i = 0; i < v.getSize(); ++i) {
        const VesselElement e = v.getElement(i);
        result.insert(result.end(), {e.position.x, e.position.y, e.position.z});
    }
    return result;
}

}  // namespace angiolith::test

#endif
