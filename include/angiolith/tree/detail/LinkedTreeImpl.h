#ifndef ANGIOLITH_TREE_DETAIL_LINKEDTREEIMPL_H
#define ANGIOLITH_TREE_DETAIL_LINKEDTREEIMPL_H

// Member bodies of LinkedNode, LinkedTree and the linked tree iterators: every translation unit
// that instantiates these templates for an element type includes this header. The library does
// so once for the vessel tree (src/tree/ArVesselTree.cpp); its users get that instantiation from
// the library instead of compiling it again.

#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/LinkedTreeIterators.h>
#include <angiolith/tree/detail/LinkedTreeIteratorsImpl.h>
#include <angiolith/tree/detail/LinkedTreeWalk.h>
#include <angiolith/tree/detail/TreeTextImpl.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

// ---- LinkedNode

template <typename T>
LinkedNode<T>::LinkedNode(T value, LinkedNode<T>* parent, int reserve)
    : value(value), parent(parent) {
    if (reserve > 0) {
        children.reserve(static_cast<std::size_t>(reserve));
    }
}

template <typename T>
LinkedNode<T>::~LinkedNode() {
    if (parent != nullptr) {
        parent->removeChild(this);
    }
    // Descendants are detached before they are deleted, so each deletion is shallow and the depth
    // of the tree never reaches the call stack. The last child is deleted first.
    std::vector<LinkedNode<T>*> doomed;
    doomed.swap(children);
    while (!doomed.empty()) {
        LinkedNode<T>* n = doomed.back();
        doomed.pop_back();
        if (n == nullptr) {
            continue;
        }
        doomed.insert(doomed.end(), n->children.begin(), n->children.end());
        n->children.clear();
        n->parent = nullptr;
        delete n;
    }
}

template <typename T>
T LinkedNode<T>::getValue() {
    return value;
}

template <typename T>
T LinkedNode<T>::setValue(T newValue) {
    T old = value;
    value = newValue;
    return old;
}

template <typename T>
Node<T>* LinkedNode<T>::getChild(int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= children.size()) {
        return nullptr;
    }
    return children[static_cast<std::size_t>(i)];
}

template <typename T>
Node<T>* LinkedNode<T>::getParent() {
    return parent;
}

template <typename T>
void LinkedNode<T>::setParent(Node<T>* newParent) {
    parent = static_cast<LinkedNode<T>*>(newParent);
}

template <typename T>
bool LinkedNode<T>::hasChildren() {
    return !children.empty();
}

template <typename T>
bool LinkedNode<T>::hasParent() {
    return parent != nullptr;
}

template <typename T>
int LinkedNode<T>::getNumberOfChildren() {
    return static_cast<int>(children.size());
}

template <typename T>
bool LinkedNode<T>::removeChild(Node<T>* child) {
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end()) {
        return false;
    }
    children.erase(it);
    return true;
}

template <typename T>
bool LinkedNode<T>::replaceChild(Node<T>* old, Node<T>* with) {
    auto it = std::find(children.begin(), children.end(), old);
    if (it == children.end()) {
        return false;
    }
    *it = static_cast<LinkedNode<T>*>(with);
    return true;
}

template <typename T>
int LinkedNode<T>::indexOf(T probe) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] != nullptr && children[i]->value == probe) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

template <typename T>
int LinkedNode<T>::indexOf(Node<T>* child) {
    auto it = std::find(children.begin(), children.end(), child);
    return it == children.end() ? -1 : static_cast<int>(it - children.begin());
}

template <typename T>
void LinkedNode<T>::setChild(int i, Node<T>* child) {
    if (i < 0) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(i);
    auto* linked = static_cast<LinkedNode<T>*>(child);
    if (index >= children.size()) {
        children.resize(index + 1, nullptr);
        children[index] = linked;
        return;
    }
    LinkedNode<T>* old = children[index];
    children[index] = linked;
    if (old != nullptr && old != linked) {
        // Already replaced in the list, so its destructor finds nothing to unlink here.
        if (old->parent == this) {
            old->parent = nullptr;
        }
        delete old;
    }
}

template <typename T>
void LinkedNode<T>::addChild(Node<T>* child) {
    children.push_back(static_cast<LinkedNode<T>*>(child));
}

// ---- LinkedTree

template <typename T>
LinkedTree<T>::LinkedTree() : root(nullptr), isView(false) {}

template <typename T>
LinkedTree<T>::LinkedTree(LinkedNode<T>* viewRoot) : root(viewRoot), isView(true) {}

template <typename T>
LinkedTree<T>::~LinkedTree() {
    if (!isView) {
        delete root;
    }
}

template <typename T>
bool LinkedTree<T>::makeRoot(TreeIterator<T>& at) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    auto* node = static_cast<LinkedNode<T>*>(at.getCurrentNode());
    if (isView || node == nullptr || node->parent == nullptr) {
        return false;
    }
    LinkedNode<T>* top = node;
    while (top->parent != nullptr) {
        top = top->parent;
    }
    if (top != root) {
        return false;
    }
    LinkedNode<T>* child = node;
    LinkedNode<T>* ancestor = node->parent;
    node->parent = nullptr;
    while (ancestor != nullptr) {
        LinkedNode<T>* next = ancestor->parent;
        ancestor->removeChild(child);
        Walk::childrenOf(child).push_back(ancestor);
        ancestor->parent = child;
        child = ancestor;
        ancestor = next;
    }
    root = node;
    return true;
}

template <typename T>
bool LinkedTree<T>::setRoot(T value) {
    // A view owns no node, so it cannot take in a new root either.
    if (root != nullptr || isView) {
        return false;
    }
    root = new LinkedNode<T>(value, nullptr, 3);
    std::unique_ptr<TreeIterator<T>> where(preorderIterator());
    notifyListeners(where.get());
    return true;
}

template <typename T>
bool LinkedTree<T>::contains(T value) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    for (LinkedNode<T>* n = root; n != nullptr; n = Walk::preorderSuccessor(n, root)) {
        if (n->value == value) {
            return true;
        }
    }
    return false;
}

template <typename T>
int LinkedTree<T>::size() {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    int count = 0;
    for (LinkedNode<T>* n = root; n != nullptr; n = Walk::preorderSuccessor(n, root)) {
        ++count;
    }
    return count;
}

template <typename T>
bool LinkedTree<T>::equals(Tree<T>& other) {
    std::unique_ptr<TreeIterator<T>> mine(preorderIterator());
    std::unique_ptr<TreeIterator<T>> theirs(other.preorderIterator());
    while (mine->hasNext()) {
        if (!theirs->hasNext() || !(mine->next() == theirs->next())) {
            return false;
        }
    }
    return !theirs->hasNext();
}

template <typename T>
bool LinkedTree<T>::isLeaf(T value) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    if (root != nullptr && root->children.empty()) {
        return true;
    }
    for (LinkedNode<T>* n = root; n != nullptr; n = Walk::preorderSuccessor(n, root)) {
        if (n->value == value) {
            return n->children.empty();
        }
    }
    return false;
}

template <typename T>
bool LinkedTree<T>::isRoot(T value) {
    return root != nullptr && root->value == value;
}

template <typename T>
void LinkedTree<T>::clear() {
    LinkedNode<T>* old = root;
    root = nullptr;
    if (!isView) {
        delete old;
    }
}

template <typename T>
bool LinkedTree<T>::swapSubTrees(TreeIterator<T>& a, TreeIterator<T>& b) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    auto* x = static_cast<LinkedNode<T>*>(a.getCurrentNode());
    auto* y = static_cast<LinkedNode<T>*>(b.getCurrentNode());
    if (x == nullptr || y == nullptr) {
        return false;
    }
    if (x == y) {
        return true;
    }
    // Swapping a node with one of its own descendants would make the structure cyclic.
    if (Walk::isInSubtree(x, y) || Walk::isInSubtree(y, x)) {
        return false;
    }
    LinkedNode<T>* px = x->parent;
    LinkedNode<T>* py = y->parent;
    const int ix = px != nullptr ? px->indexOf(x) : -1;
    const int iy = py != nullptr ? py->indexOf(y) : -1;
    // A node without parent is the root of its tree: the other node takes its place there.
    LinkedNode<T>** roots[] = {&root, a.getRootReference(), b.getRootReference()};
    for (LinkedNode<T>** r : roots) {
        if (r == nullptr) {
            continue;
        }
        if (px == nullptr && *r == x) {
            *r = y;
        } else if (py == nullptr && *r == y) {
            *r = x;
        }
    }
    if (px != nullptr) {
        Walk::childrenOf(px)[static_cast<std::size_t>(ix)] = y;
    }
    if (py != nullptr) {
        Walk::childrenOf(py)[static_cast<std::size_t>(iy)] = x;
    }
    x->parent = py;
    y->parent = px;
    return true;
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::preorderIterator() {
    return new PreorderTreeIterator<T>(&root, this);
}

namespace angiolith::detail {

/// The current node, root reference and linked tree of a "from" iterator.
template <typename T>
struct FromPlace {
    explicit FromPlace(TreeIterator<T>& from)
        : node(static_cast<LinkedNode<T>*>(from.getCurrentNode())),
          rootRef(from.getRootReference()),
          tree(static_cast<LinkedTree<T>*>(from.getTree())) {}
    LinkedNode<T>* node;
    LinkedNode<T>** rootRef;
    LinkedTree<T>* tree;
};

}  // namespace angiolith::detail

template <typename T>
TreeIterator<T>* LinkedTree<T>::preorderIterator(TreeIterator<T>& from) {
    angiolith::detail::FromPlace<T> p(from);
    return new PreorderTreeIterator<T>(p.node, p.rootRef, p.tree);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::postorderIterator() {
    return new PostorderTreeIterator<T>(&root, this);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::postorderIterator(TreeIterator<T>& from) {
    angiolith::detail::FromPlace<T> p(from);
    return new PostorderTreeIterator<T>(p.node, p.rootRef, p.tree);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::inorderIterator() {
    return new InorderTreeIterator<T>(&root, this);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::inorderIterator(TreeIterator<T>& from) {
    angiolith::detail::FromPlace<T> p(from);
    return new InorderTreeIterator<T>(p.node, p.rootRef, p.tree);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::leafIterator(TreeIterator<T>& from) {
    angiolith::detail::FromPlace<T> p(from);
    return new LeafTreeIterator<T>(p.node, p.rootRef, p.tree);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::leafIterator() {
    return new LeafTreeIterator<T>(&root, this);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::levelorderIterator(int minLevel, int maxLevel) {
    return new LevelorderTreeIterator<T>(nullptr, &root, this, minLevel, maxLevel);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::levelorderIterator(TreeIterator<T>& from, int minLevel,
                                                   int maxLevel) {
    angiolith::detail::FromPlace<T> p(from);
    return new LevelorderTreeIterator<T>(p.node, p.rootRef, p.tree, minLevel, maxLevel);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::levelorderIterator(int maxLevel) {
    return levelorderIterator(-1, maxLevel);
}

template <typename T>
TreeIterator<T>* LinkedTree<T>::levelorderIterator(TreeIterator<T>& from, int maxLevel) {
    return levelorderIterator(from, -1, maxLevel);
}

template <typename T>
ArbitraryTreeIterator<T>* LinkedTree<T>::walkIterator() {
    return new WalkTreeIterator<T>(root, &root, this, 1);
}

template <typename T>
ArbitraryTreeIterator<T>* LinkedTree<T>::walkIterator(TreeIterator<T>& from) {
    angiolith::detail::FromPlace<T> p(from);
    return new WalkTreeIterator<T>(p.node, p.rootRef, p.tree, 1);
}

template <typename T>
bool LinkedTree<T>::addListener(TreeListener<T>* listener) {
    if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end()) {
        return false;
    }
    listeners.push_back(listener);
    return true;
}

template <typename T>
bool LinkedTree<T>::removeListener(TreeListener<T>* listener) {
    auto it = std::find(listeners.begin(), listeners.end(), listener);
    if (it == listeners.end()) {
        return false;
    }
    listeners.erase(it);
    return true;
}

template <typename T>
void LinkedTree<T>::notifyListeners(TreeIterator<T>* where) {
    // A copy, so that a listener may remove itself while being notified.
    const std::vector<TreeListener<T>*> current = listeners;
    for (TreeListener<T>* listener : current) {
        listener->treeChanged(where);
    }
}

#endif
