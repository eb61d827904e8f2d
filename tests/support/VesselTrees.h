#ifndef ANGIOLITH_TESTS_SUPPORT_VESSELTREES_H
#define ANGIOLITH_TESTS_SUPPORT_VESSELTREES_H

// Small hand-made vessel trees for the tests: vessels, one builder with three notations (a nested
// Branch, parallel lists of vessels and parent indices, or a shape text of named vessels), and a
// check on forgotten handles.

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/LinkedTree.h>

#include <gtest/gtest.h>

#include <array>
#include <cctype>
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

typedef ar<Vessel> VesselRef;
typedef ar<TreeIterator<VesselRef>> IteratorRef;
typedef ar<Tree<VesselRef>> TreeRef;

/// A vessel tree whose vessel ids index `names`.
struct Labelled {
    ArVesselTree tree;
    std::vector<std::string> names;
};

/// A new vessel with id @p id and a single element at (id, 0, 0).
inline VesselRef vesselWithId(int id) { return vessel(id, {{static_cast<float>(id), 0, 0}}, 1.0f); }

// Reads the node at @p pos of a shape text and its subtree; vessels are numbered in the order their
// names are read.
inline void parseShape(const std::string& text, std::size_t& pos, int parent, Labelled& l,
                       std::vector<VesselRef>& vessels, std::vector<int>& parents) {
    const int self = static_cast<int>(vessels.size());
    l.names.emplace_back();
    while (pos < text.size() && std::isalnum(static_cast<unsigned char>(text[pos]))) {
        l.names.back() += text[pos++];
    }
    vessels.push_back(vesselWithId(self));
    parents.push_back(parent);
    if (pos < text.size() && text[pos] == '(') {
        do {
            ++pos;
            parseShape(text, pos, self, l, vessels, parents);
        } while (pos < text.size() && text[pos] == ',');
        ++pos;  // ')'
    }
}

/// Builds a tree from a shape such as "R(A(A1,A2),B)" (an empty shape gives an empty tree).
inline Labelled build(const std::string& shape) {
    Labelled l;
    std::vector<VesselRef> vessels;
    std::vector<int> parents;
    std::size_t pos = 0;
    if (!shape.empty()) parseShape(shape, pos, -1, l, vessels, parents);
    l.tree = makeTree(vessels, parents);
    return l;
}

/// The names of the vessels an iterator returns, space separated.
inline std::string drain(const Labelled& l, TreeIterator<VesselRef>& it) {
    std::string out;
    while (it.hasNext()) {
        VesselRef v = it.next();
        if (!out.empty()) {
            out += ' ';
        }
        out += l.names.at(static_cast<std::size_t>(v->getId()));
    }
    return out;
}

/// The same for a new iterator (taken over).
inline std::string drain(const Labelled& l, TreeIterator<VesselRef>* fresh) {
    IteratorRef it(fresh);
    return drain(l, *it);
}

/// The name at the iterator's current node.
inline std::string at(const Labelled& l, TreeIterator<VesselRef>& it) {
    return l.names.at(static_cast<std::size_t>(it.getValue()->getId()));
}

/// Steps @p it until its current node is @p name (a test failure when it is not reached).
inline void stepTo(const Labelled& l, TreeIterator<VesselRef>& it, const std::string& name) {
    while (it.hasNext()) {
        it.next();
        if (at(l, it) == name) {
            return;
        }
    }
    ADD_FAILURE() << name << " not reached";
}

/// A preorder iterator of @p l's tree standing at @p name.
inline IteratorRef placedAt(const Labelled& l, const std::string& name) {
    IteratorRef it(l.tree->preorderIterator());
    stepTo(l, *it, name);
    return it;
}

/// The tree's shape in the notation of `build` (children in order).
inline std::string shapeOf(const Labelled& l, Tree<VesselRef>& tree) {
    return shape(tree, [&](Vessel& v) { return l.names.at(static_cast<std::size_t>(v.getId())); });
}

}  // namespace angiolith::test

#endif
