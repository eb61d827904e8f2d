#ifndef ANGIOLITH_TREE_DETAIL_LINKEDTREEWALK_H
#define ANGIOLITH_TREE_DETAIL_LINKEDTREEWALK_H

#include <angiolith/tree/LinkedNode.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace angiolith::detail {

/// The walking steps shared by the linked tree and its iterators. Every walk is bounded by a top
/// node (the node at an iterator's root reference): it never leaves the top's subtree.
template <typename T>
struct LinkedTreeWalk {
    using N = LinkedNode<T>;

    static N* parentOf(N* n) { return n->parent; }
    static std::vector<N*>& childrenOf(N* n) { return n->children; }

    /// The first non-null child, or null.
    static N* firstChild(N* n) {
        for (N* c : n->children) {
            if (c != nullptr) {
                return c;
            }
        }
        return nullptr;
    }

    /// Whether @p n has no non-null child.
    static bool isLeaf(N* n) { return firstChild(n) == nullptr; }

    /// The first non-null sibling after @p n, or null (also at a node without parent).
    static N* nextSibling(N* n) {
        if (n->parent == nullptr) {
            return nullptr;
        }
        const std::vector<N*>& siblings = n->parent->children;
        std::size_t i = 0;
        while (i < siblings.size() && siblings[i] != n) {
            ++i;
        }
        for (++i; i < siblings.size(); ++i) {
            if (siblings[i] != nullptr) {
                return siblings[i];
            }
        }
        return nullptr;
    }

    /// The node after @p n in preorder within the subtree of @p top: the first child, else the
    /// next sibling of the nearest of @p n and its ancestors below @p top that has one.
    static N* preorderSuccessor(N* n, N* top) {
        if (N* c = firstChild(n)) {
            return c;
        }
        for (N* x = n; x != nullptr && x != top; x = x->parent) {
            if (N* s = nextSibling(x)) {
                return s;
            }
        }
        return nullptr;
    }

    /// The first node of a postorder walk of @p n's subtree.
    static N* leftmostLeaf(N* n) {
        while (N* c = firstChild(n)) {
            n = c;
        }
        return n;
    }

    /// The node after @p n in postorder within the subtree of @p top.
    static N* postorderSuccessor(N* n, N* top) {
        if (n == top || n->parent == nullptr) {
            return nullptr;
        }
        if (N* s = nextSibling(n)) {
            return leftmostLeaf(s);
        }
        return n->parent;
    }

    /// Whether @p n is @p ancestor or lies in its subtree.
    static bool isInSubtree(N* n, N* ancestor) {
        for (; n != nullptr; n = n->parent) {
            if (n == ancestor) {
                return true;
            }
        }
        return false;
    }

    /// New nodes with the structure of @p source's subtree (null entries left out), each holding
    /// `copyValue(v)` for the value `v` of its source node and with room for @p reserve children;
    /// the copy's top names @p parent. Iterative; on an exception nothing is left allocated.
    template <typename CopyValue>
    static N* copyStructure(Node<T>* source, N* parent, int reserve, CopyValue copyValue) {
        N* copyTop = new N(copyValue(source->getValue()), parent, reserve);
        std::vector<std::pair<Node<T>*, N*>> work{{source, copyTop}};
        try {
            while (!work.empty()) {
                auto [from, to] = work.back();
                work.pop_back();
                const int count = from->getNumberOfChildren();
                for (int i = 0; i < count; ++i) {
                    Node<T>* child = from->getChild(i);
                    if (child != nullptr) {
                        to->children.push_back(nullptr);
                        N* copy = new N(copyValue(child->getValue()), to, reserve);
                        to->children.back() = copy;
                        work.emplace_back(child, copy);
                    }
                }
            }
        } catch (...) {
            copyTop->parent = nullptr;
            delete copyTop;
            throw;
        }
        return copyTop;
    }

    /// The same structure sharing @p source's values.
    static N* copyStructure(Node<T>* source, N* parent, int reserve) {
        return copyStructure(source, parent, reserve, [](T value) { return value; });
    }

    /// Makes @p top (taking ownership) the root of @p tree, which must be an empty tree that is
    /// not a view.
    static void adoptRoot(LinkedTree<T>& tree, N* top) { tree.root = top; }
};

}  // namespace angiolith::detail

#endif
