#ifndef ANGIOLITH_TESTS_TREE_TREETESTSUPPORT_H
#define ANGIOLITH_TESTS_TREE_TREETESTSUPPORT_H

#include "support/VesselTrees.h"

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/LinkedTree.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

namespace treetest {

typedef ar<Vessel> VesselRef;
typedef ar<TreeIterator<VesselRef>> IteratorRef;
typedef ar<Tree<VesselRef>> TreeRef;

/// A vessel tree whose vessel ids index `names`.
struct Labelled {
    ArVesselTree tree;
    std::vector<std::string> names;
};

/// A new vessel with id @p id and a single element at (id, 0, 0).
inline VesselRef vesselWithId(int id) {
    VesselRef v(new Vessel());
    v->setId(id);
    v->add(VesselElement{{static_cast<float>(id), 0.0f, 0.0f}, 1.0f, 0.0f});
    return v;
}

namespace detail {

// Reads the node at @p pos and its subtree; vessels are numbered in the order their names are read.
inline void parse(const std::string& text, std::size_t& pos, int parent, Labelled& l,
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
            parse(text, pos, self, l, vessels, parents);
        } while (pos < text.size() && text[pos] == ',');
        ++pos;  // ')'
    }
}

}  // namespace detail

/// Builds a tree from a shape such as "R(A(A1,A2),B)" (an empty shape gives an empty tree).
inline Labelled build(const std::string& shape) {
    Labelled l;
    std::vector<VesselRef> vessels;
    std::vector<int> parents;
    std::size_t pos = 0;
    if (!shape.empty()) detail::parse(shape, pos, -1, l, vessels, parents);
    l.tree = angiolith::test::makeTree(vessels, parents);
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
    return angiolith::test::shape(
        tree, [&](Vessel& v) { return l.names.at(static_cast<std::size_t>(v.getId())); });
}

}  // namespace treetest

#endif
