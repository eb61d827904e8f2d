#ifndef ANGIOLITH_TREE_DETAIL_LINKEDTREEITERATORSIMPL_H
#define ANGIOLITH_TREE_DETAIL_LINKEDTREEITERATORSIMPL_H

// Member bodies of the linked tree iterators; part of LinkedTreeImpl.h.

#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/LinkedTreeIterators.h>
#include <angiolith/tree/detail/LinkedTreeWalk.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

// ---- AbstractLinkedTreeIterator

template <typename T>
AbstractLinkedTreeIterator<T>::AbstractLinkedTreeIterator(LinkedNode<T>* current,
                                                          LinkedNode<T>* pending,
                                                          LinkedNode<T>** rootRef,
                                                          LinkedTree<T>* tree)
    : current(current), pending(pending), rootRef(rootRef), tree(tree) {}

template <typename T>
template <typename Successor>
bool AbstractLinkedTreeIterator<T>::hasNextBy(Successor successor) {
    if (pending == nullptr) {
        pending = successor();
    }
    return pending != nullptr;
}

template <typename T>
template <typename Successor>
T AbstractLinkedTreeIterator<T>::nextBy(Successor successor) {
    if (!hasNextBy(successor)) {
        throw NoSuchElementException();
    }
    current = pending;
    pending = nullptr;
    pending = successor();
    return current->value;
}

template <typename T>
void AbstractLinkedTreeIterator<T>::forgetRemoved(LinkedNode<T>* removed) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    if (Walk::isInSubtree(pending, removed)) {
        pending = nullptr;
    }
    if (Walk::isInSubtree(current, removed)) {
        current = nullptr;
    }
}

template <typename T>
void AbstractLinkedTreeIterator<T>::notify() {
    tree->notifyListeners(this);
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::remove() {
    if (current == nullptr) {
        return false;
    }
    LinkedNode<T>* removed = current;
    LinkedNode<T>* parent = removed->parent;
    const bool wasTop = removed == *rootRef;
    // The top of a view without a parent is the root of the tree the view was taken from, whose
    // root field the view cannot reach: deleting it would leave that tree with a dangling root.
    if (wasTop && tree->isView && parent == nullptr) {
        return false;
    }
    if (wasTop) {
        *rootRef = nullptr;
    }
    forgetRemoved(removed);
    current = nullptr;
    delete removed;
    if (!wasTop && parent != nullptr) {
        PreorderTreeIterator<T> where(parent, rootRef, tree);
        tree->notifyListeners(&where);
    }
    return true;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::setChild(int i, T value) {
    if (current == nullptr || i < 0) {
        return false;
    }
    if (Node<T>* old = current->getChild(i)) {
        forgetRemoved(static_cast<LinkedNode<T>*>(old));
    }
    current->setChild(i, new LinkedNode<T>(value, current, 3));
    notify();
    return true;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::addSubTree(Tree<T>& other) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    std::unique_ptr<TreeIterator<T>> source(other.preorderIterator());
    if (!source->hasNext()) {
        return false;
    }
    source->next();
    Node<T>* sourceTop = source->getCurrentNode();
    if (*rootRef == nullptr) {
        // A view owns no node, so it cannot take in new ones.
        if (tree->isView) {
            return false;
        }
        *rootRef = Walk::copyStructure(sourceTop, nullptr, 2);
    } else {
        if (current == nullptr) {
            return false;
        }
        current->children.push_back(nullptr);
        current->children.back() = Walk::copyStructure(sourceTop, current, 2);
    }
    notify();
    return true;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::addChild(T value) {
    if (current == nullptr) {
        if (*rootRef != nullptr || tree->isView) {
            return false;
        }
        *rootRef = new LinkedNode<T>(value, nullptr, 3);
        current = *rootRef;
    } else {
        current->children.push_back(nullptr);
        current->children.back() = new LinkedNode<T>(value, current, 3);
    }
    notify();
    return true;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::hasCurrent() {
    return current != nullptr;
}

template <typename T>
T AbstractLinkedTreeIterator<T>::getValue() {
    return current->value;
}

template <typename T>
Tree<T>* AbstractLinkedTreeIterator<T>::getSubTree() {
    if (current == nullptr) {
        return nullptr;
    }
    return new LinkedTree<T>(current);
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::isLeaf() {
    return current->children.empty();
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::isRoot() {
    return current != nullptr && current == *rootRef;
}

template <typename T>
T AbstractLinkedTreeIterator<T>::setValue(T value) {
    return current->setValue(value);
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::removeChild(int i) {
    if (current == nullptr) {
        return false;
    }
    auto* child = static_cast<LinkedNode<T>*>(current->getChild(i));
    if (child == nullptr) {
        return false;
    }
    forgetRemoved(child);
    delete child;
    notify();
    return true;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::hasChild(int i) {
    return current != nullptr && current->getChild(i) != nullptr;
}

template <typename T>
int AbstractLinkedTreeIterator<T>::indexOf(T value) {
    return current != nullptr ? current->indexOf(value) : -1;
}

template <typename T>
int AbstractLinkedTreeIterator<T>::getNumberOfChildren() {
    return current != nullptr ? current->getNumberOfChildren() : -1;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::hasParent() {
    return current != nullptr && current->parent != nullptr;
}

template <typename T>
bool AbstractLinkedTreeIterator<T>::removeAndLiftChildren() {
    if (current == nullptr || current->parent == nullptr || current == *rootRef) {
        return false;
    }
    LinkedNode<T>* node = current;
    LinkedNode<T>* parent = node->parent;
    parent->removeChild(node);
    for (LinkedNode<T>* child : node->children) {
        if (child != nullptr) {
            child->parent = parent;
            parent->children.push_back(child);
        }
    }
    node->children.clear();
    node->parent = nullptr;
    // The detached node now holds nothing but its value; nothing refers to it any more, so it is
    // deleted here (releasing its value) instead of being left to leak.
    forgetRemoved(node);
    current = nullptr;
    delete node;
    notify();
    return true;
}

template <typename T>
TreeIterator<T>* AbstractLinkedTreeIterator<T>::childIterator() {
    return new ChildTreeIterator<T>(current, rootRef, tree);
}

template <typename T>
TreeIterator<T>* AbstractLinkedTreeIterator<T>::rootIterator() {
    return new RootTreeIterator<T>(current, rootRef, tree);
}

template <typename T>
ArbitraryTreeIterator<T>* AbstractLinkedTreeIterator<T>::walkIterator(int i) {
    if (current == nullptr) {
        return nullptr;
    }
    auto* child = static_cast<LinkedNode<T>*>(current->getChild(i));
    if (child == nullptr) {
        return nullptr;
    }
    return new WalkTreeIterator<T>(child, rootRef, tree, this->getType());
}

template <typename T>
int AbstractLinkedTreeIterator<T>::countFromHere() {
    if (current == nullptr || current->children.empty()) {
        return 0;
    }
    PreorderTreeIterator<T> walk(current, rootRef, tree);
    int count = 0;
    while (walk.hasNext()) {
        walk.next();
        ++count;
    }
    return count;
}

template <typename T>
Node<T>* AbstractLinkedTreeIterator<T>::getCurrentNode() {
    return current;
}

template <typename T>
LinkedNode<T>** AbstractLinkedTreeIterator<T>::getRootReference() {
    return rootRef;
}

template <typename T>
Tree<T>* AbstractLinkedTreeIterator<T>::getTree() {
    return tree;
}

template <typename T>
void AbstractLinkedTreeIterator<T>::assign(const AbstractLinkedTreeIterator<T>& other) {
    current = other.current;
    pending = other.pending;
    rootRef = other.rootRef;
    tree = other.tree;
}

// ---- PreorderTreeIterator

template <typename T>
PreorderTreeIterator<T>::PreorderTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(nullptr, *rootRef, rootRef, tree) {}

template <typename T>
PreorderTreeIterator<T>::PreorderTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef,
                                              LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(start, start, rootRef, tree) {}

template <typename T>
LinkedNode<T>* PreorderTreeIterator<T>::successor() {
    if (this->current == nullptr) {
        return nullptr;
    }
    return angiolith::detail::LinkedTreeWalk<T>::preorderSuccessor(this->current, this->top());
}

template <typename T>
bool PreorderTreeIterator<T>::hasNext() {
    return this->hasNextBy([this] { return successor(); });
}

template <typename T>
T PreorderTreeIterator<T>::next() {
    return this->nextBy([this] { return successor(); });
}

// ---- PostorderTreeIterator

template <typename T>
PostorderTreeIterator<T>::PostorderTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(
          nullptr,
          *rootRef == nullptr ? nullptr
                              : angiolith::detail::LinkedTreeWalk<T>::leftmostLeaf(*rootRef),
          rootRef, tree) {}

template <typename T>
PostorderTreeIterator<T>::PostorderTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef,
                                                LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(
          start,
          start == nullptr ? nullptr : angiolith::detail::LinkedTreeWalk<T>::leftmostLeaf(start),
          rootRef, tree) {}

template <typename T>
LinkedNode<T>* PostorderTreeIterator<T>::successor() {
    if (this->current == nullptr) {
        return nullptr;
    }
    return angiolith::detail::LinkedTreeWalk<T>::postorderSuccessor(this->current, this->top());
}

template <typename T>
bool PostorderTreeIterator<T>::hasNext() {
    return this->hasNextBy([this] { return successor(); });
}

template <typename T>
T PostorderTreeIterator<T>::next() {
    return this->nextBy([this] { return successor(); });
}

// ---- LevelorderTreeIterator

template <typename T>
LevelorderTreeIterator<T>::LevelorderTreeIterator(LinkedNode<T>* current, LinkedNode<T>** rootRef,
                                                  LinkedTree<T>* tree, int minLevel, int maxLevel)
    : AbstractLinkedTreeIterator<T>(current, nullptr, rootRef, tree),
      minLevel(minLevel),
      maxLevel(maxLevel) {
    if (*rootRef != nullptr) {
        queue.emplace_back(*rootRef, 0);
    }
    this->pending = advance();
}

template <typename T>
LinkedNode<T>* LevelorderTreeIterator<T>::advance() {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    while (!queue.empty()) {
        auto [node, level] = queue.front();
        queue.pop_front();
        if (level > maxLevel) {
            queue.clear();
            return nullptr;
        }
        for (LinkedNode<T>* child : Walk::childrenOf(node)) {
            if (child != nullptr) {
                queue.emplace_back(child, level + 1);
            }
        }
        if (level >= minLevel) {
            return node;
        }
    }
    return nullptr;
}

template <typename T>
bool LevelorderTreeIterator<T>::hasNext() {
    return this->hasNextBy([this] { return advance(); });
}

template <typename T>
T LevelorderTreeIterator<T>::next() {
    return this->nextBy([this] { return advance(); });
}

template <typename T>
void LevelorderTreeIterator<T>::forgetRemoved(LinkedNode<T>* removed) {
    AbstractLinkedTreeIterator<T>::forgetRemoved(removed);
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [removed](const std::pair<LinkedNode<T>*, int>& entry) {
                                   return angiolith::detail::LinkedTreeWalk<T>::isInSubtree(
                                       entry.first, removed);
                               }),
                queue.end());
}

// ---- LeafTreeIterator

template <typename T>
LeafTreeIterator<T>::LeafTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(nullptr, nullptr, rootRef, tree),
      inner(new PreorderTreeIterator<T>(rootRef, tree)) {
    this->pending = advance();
}

template <typename T>
LeafTreeIterator<T>::LeafTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef,
                                      LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(start, nullptr, rootRef, tree),
      inner(new PreorderTreeIterator<T>(start, rootRef, tree)) {
    this->pending = advance();
}

template <typename T>
LeafTreeIterator<T>::LeafTreeIterator(const LeafTreeIterator& other)
    : TreeIterator<T>(other),
      AbstractLinkedTreeIterator<T>(other),
      inner(new PreorderTreeIterator<T>(*other.inner)) {}

template <typename T>
LinkedNode<T>* LeafTreeIterator<T>::advance() {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    while (inner->hasNext()) {
        inner->next();
        if (Walk::isLeaf(inner->current)) {
            return inner->current;
        }
    }
    return nullptr;
}

template <typename T>
bool LeafTreeIterator<T>::hasNext() {
    return this->hasNextBy([this] { return advance(); });
}

template <typename T>
T LeafTreeIterator<T>::next() {
    return this->nextBy([this] { return advance(); });
}

template <typename T>
void LeafTreeIterator<T>::forgetRemoved(LinkedNode<T>* removed) {
    AbstractLinkedTreeIterator<T>::forgetRemoved(removed);
    inner->forgetRemoved(removed);
}

// ---- ChildTreeIterator

template <typename T>
ChildTreeIterator<T>::ChildTreeIterator(LinkedNode<T>* parentNode, LinkedNode<T>** rootRef,
                                        LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(nullptr, nullptr, rootRef, tree),
      nextIndex(0),
      parentNode(parentNode) {
    this->pending = advance();
}

template <typename T>
LinkedNode<T>* ChildTreeIterator<T>::advance() {
    if (parentNode == nullptr) {
        return nullptr;
    }
    const auto& children = angiolith::detail::LinkedTreeWalk<T>::childrenOf(parentNode);
    // Continue after the current child where it still is, so that removing it (which shifts the
    // later children down) skips none of them.
    if (this->current != nullptr) {
        auto at = std::find(children.begin(), children.end(), this->current);
        if (at != children.end()) {
            nextIndex = static_cast<int>(at - children.begin()) + 1;
        }
    }
    while (static_cast<std::size_t>(nextIndex) < children.size()) {
        LinkedNode<T>* child = children[static_cast<std::size_t>(nextIndex++)];
        if (child != nullptr) {
            return child;
        }
    }
    return nullptr;
}

template <typename T>
bool ChildTreeIterator<T>::hasNext() {
    return this->hasNextBy([this] { return advance(); });
}

template <typename T>
T ChildTreeIterator<T>::next() {
    return this->nextBy([this] { return advance(); });
}

// ---- RootTreeIterator

namespace angiolith::detail {

/// The node above @p n on the way to @p top, or null at the top.
template <typename T>
LinkedNode<T>* ancestorBelow(LinkedNode<T>* n, LinkedNode<T>* top) {
    if (n == nullptr || n == top) {
        return nullptr;
    }
    return LinkedTreeWalk<T>::parentOf(n);
}

}  // namespace angiolith::detail

template <typename T>
RootTreeIterator<T>::RootTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef,
                                      LinkedTree<T>* tree)
    : AbstractLinkedTreeIterator<T>(nullptr, angiolith::detail::ancestorBelow(start, *rootRef),
                                    rootRef, tree) {}

template <typename T>
bool RootTreeIterator<T>::hasNext() {
    return this->hasNextBy(
        [this] { return angiolith::detail::ancestorBelow(this->current, this->top()); });
}

template <typename T>
T RootTreeIterator<T>::next() {
    return this->nextBy(
        [this] { return angiolith::detail::ancestorBelow(this->current, this->top()); });
}

// ---- WalkTreeIterator

template <typename T>
WalkTreeIterator<T>::WalkTreeIterator(LinkedNode<T>* at, LinkedNode<T>** rootRef,
                                      LinkedTree<T>* tree, int type)
    : AbstractLinkedTreeIterator<T>(at, nullptr, rootRef, tree), level(0) {
    placeInner(type);
}

template <typename T>
WalkTreeIterator<T>::WalkTreeIterator(const WalkTreeIterator& other)
    : TreeIterator<T>(other),
      AbstractLinkedTreeIterator<T>(other),
      ArbitraryTreeIterator<T>(other),
      inner(dynamic_cast<AbstractLinkedTreeIterator<T>*>(other.inner->clone())),
      level(other.level) {}

template <typename T>
AbstractLinkedTreeIterator<T>* WalkTreeIterator<T>::makeInner(LinkedNode<T>* at, int type) {
    switch (type) {
        case 1:
            return new PreorderTreeIterator<T>(at, this->rootRef, this->tree);
        case 3:
            return new PostorderTreeIterator<T>(at, this->rootRef, this->tree);
        case 4:
            return new LevelorderTreeIterator<T>(at, this->rootRef, this->tree, -1, level);
        case 5:
            return new ChildTreeIterator<T>(at, this->rootRef, this->tree);
        case 6:
            return new RootTreeIterator<T>(at, this->rootRef, this->tree);
        default:
            throw new IllegalArgumentException;
    }
}

template <typename T>
void WalkTreeIterator<T>::placeInner(int type) {
    inner.reset(makeInner(this->current, type));
    this->pending = inner->pending;
}

template <typename T>
bool WalkTreeIterator<T>::hasNext() {
    const bool more = inner->hasNext();
    this->pending = inner->pending;
    return more;
}

template <typename T>
T WalkTreeIterator<T>::next() {
    T value = inner->next();
    this->current = inner->current;
    this->pending = inner->pending;
    return value;
}

template <typename T>
int WalkTreeIterator<T>::getType() {
    return inner ? inner->getType() : 0;
}

template <typename T>
TreeIterator<T>* WalkTreeIterator<T>::clone() {
    return static_cast<ArbitraryTreeIterator<T>*>(new WalkTreeIterator<T>(*this));
}

template <typename T>
bool WalkTreeIterator<T>::moveToChild(int i) {
    if (this->current == nullptr) {
        throw NoSuchElementException();
    }
    auto* child = static_cast<LinkedNode<T>*>(this->current->getChild(i));
    if (child == nullptr) {
        return false;
    }
    this->current = child;
    placeInner(getType());
    return true;
}

template <typename T>
bool WalkTreeIterator<T>::moveToParent() {
    if (this->current == nullptr) {
        throw NoSuchElementException();
    }
    LinkedNode<T>* parent = angiolith::detail::LinkedTreeWalk<T>::parentOf(this->current);
    if (this->current == this->top() || parent == nullptr) {
        return false;
    }
    this->current = parent;
    placeInner(getType());
    return true;
}

template <typename T>
void WalkTreeIterator<T>::forgetRemoved(LinkedNode<T>* removed) {
    AbstractLinkedTreeIterator<T>::forgetRemoved(removed);
    inner->forgetRemoved(removed);
}

#endif
