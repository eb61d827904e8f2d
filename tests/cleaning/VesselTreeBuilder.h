#ifndef ANGIOLITH_TESTS_CLEANING_VESSELTREEBUILDER_H
#define ANGIOLITH_TESTS_CLEANING_VESSELTREEBUILDER_H

// Small hand-made vessel trees for the cleaning and relabelling tests.

#include <angiolith/tree/ArVesselTree.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

namespace testtrees {

/// A vessel and the branches that leave it, in child order.
struct Branch {
    ar<Vessel> vessel;
    std::vector<Branch> children;
};

inline VesselElement element(float x, float y, float z, float diameter) {
    VesselElement e;
    e.position = Vector3<float>{x, y, z};
    e.diameter = diameter;
    e.scalar = 0.0f;
    return e;
}

/// A vessel with the given id running through @p points, all with the same diameter.
inline ar<Vessel> vessel(int id, std::initializer_list<std::array<float, 3>> points,
                         float diameter) {
    ar<Vessel> v(new Vessel());
    v->setId(id);
    for (const auto& p : points) {
        v->add(element(p[0], p[1], p[2], diameter));
    }
    return v;
}

inline void attach(TreeIterator<ar<Vessel>>& at, const Branch& branch) {
    for (const Branch& child : branch.children) {
        at.addChild(child.vessel);
    }
    const ar<TreeIterator<ar<Vessel>>> children(at.childIterator());
    for (const Branch& child : branch.children) {
        children->next();
        attach(*children, child);
    }
}

/// A new tree of the given shape; the vessels are shared with @p root, not copied.
inline ArVesselTree makeTree(const Branch& root) {
    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    tree->setRoot(root.vessel);
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    it->next();
    attach(*it, root);
    return tree;
}

inline std::string shapeBelow(Node<ar<Vessel>>* node) {
    std::string text = std::to_string(node->getValue()->getId());
    std::string children;
    for (int i = 0; i < node->getNumberOfChildren(); ++i) {
        children.append(i == 0 ? "" : ",").append(shapeBelow(node->getChild(i)));
    }
    return children.empty() ? text : text + "(" + children + ")";
}

/// The tree's shape as vessel ids, read node by node: "1(2,3(4))" is vessel 1 with the
/// children 2 and 3, and 4 below 3. An empty tree gives "".
inline std::string shape(const ArVesselTree& tree) {
    const ar<TreeIterator<ar<Vessel>>> it(tree->preorderIterator());
    if (!it->hasNext()) {
        return "";
    }
    it->next();
    return shapeBelow(it->getCurrentNode());
}

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

}  // namespace testtrees

#endif
