#ifndef ANGIOLITH_TREE_LINKEDTREEITERATORS_H
#define ANGIOLITH_TREE_LINKEDTREEITERATORS_H

#include <angiolith/tree/TreeIterator.h>

#include <deque>
#include <memory>
#include <utility>

template <typename T>
class LinkedNode;
template <typename T>
class LinkedTree;
template <typename T>
class LeafTreeIterator;
template <typename T>
class WalkTreeIterator;

/// The editing and navigation common to all iterators over a `LinkedTree`.
///
/// Every order is confined to the subtree of the node at the root reference: over a view
/// (`getSubTree`) a walk never leaves the view; over a whole tree, an iterator made "from"
/// another one continues over the rest of the whole tree. `next` computes the following node at
/// once; `hasNext` recomputes it from the current node when it is not known (after the end, or
/// after an edit of this iterator that deleted it).
template <typename T>
class AbstractLinkedTreeIterator : public virtual TreeIterator<T> {
public:
    bool remove() override;
    bool setChild(int i, T value) override;
    bool addSubTree(Tree<T>& other) override;
    bool addChild(T value) override;
    bool hasCurrent() override;
    T getValue() override;
    Tree<T>* getSubTree() override;
    bool isLeaf() override;
    bool isRoot() override;
    T setValue(T value) override;
    bool removeChild(int i) override;
    bool hasChild(int i) override;
    int indexOf(T value) override;
    int getNumberOfChildren() override;
    bool hasParent() override;
    bool removeAndLiftChildren() override;
    /// Without a current node: an iterator that yields nothing.
    TreeIterator<T>* childIterator() override;
    /// Without a current node: an iterator that yields nothing.
    TreeIterator<T>* rootIterator() override;
    ArbitraryTreeIterator<T>* walkIterator(int i) override;
    int countFromHere() override;
    Node<T>* getCurrentNode() override;
    LinkedNode<T>** getRootReference() override;
    Tree<T>* getTree() override;
    void assign(const AbstractLinkedTreeIterator<T>& other) override;

protected:
    AbstractLinkedTreeIterator(LinkedNode<T>* current, LinkedNode<T>* pending,
                               LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    AbstractLinkedTreeIterator(const AbstractLinkedTreeIterator&) = default;
    AbstractLinkedTreeIterator& operator=(const AbstractLinkedTreeIterator&) = default;

    /// The node at the root reference: the top of every walk of this iterator.
    LinkedNode<T>* top() const { return *rootRef; }

    /// `hasNext` and `next` over a successor function that computes the node after `current`.
    template <typename Successor>
    bool hasNextBy(Successor successor);
    template <typename Successor>
    T nextBy(Successor successor);

    /// Called before @p removed (and its subtree) is deleted by an edit of this iterator: forgets
    /// every node of this iterator's own state inside it, so that it is never stepped to.
    virtual void forgetRemoved(LinkedNode<T>* removed);

    LinkedNode<T>* current;
    LinkedNode<T>* pending;
    LinkedNode<T>** rootRef;
    LinkedTree<T>* tree;

private:
    friend class LeafTreeIterator<T>;
    friend class WalkTreeIterator<T>;

    void notify();
};

/// Preorder: a node, then the subtrees of its children in index order.
template <typename T>
class PreorderTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    /// Over the whole tree whose root field is at @p rootRef.
    PreorderTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    /// Placed at @p start, which is also the first node returned.
    PreorderTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    bool hasNext() override;
    T next() override;
    int getType() override { return 1; }
    TreeIterator<T>* clone() override { return new PreorderTreeIterator<T>(*this); }

private:
    LinkedNode<T>* successor();
};

/// Inorder: for these n-ary trees the same sequence as preorder, so the preorder walk under its
/// own order number.
template <typename T>
class InorderTreeIterator : public PreorderTreeIterator<T> {
public:
    using PreorderTreeIterator<T>::PreorderTreeIterator;
    int getType() override { return 2; }
    TreeIterator<T>* clone() override { return new InorderTreeIterator<T>(*this); }
};

/// Postorder: the subtrees of a node's children in index order, then the node.
template <typename T>
class PostorderTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    PostorderTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    /// Placed at @p start; begins with the leftmost leaf below it.
    PostorderTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    bool hasNext() override;
    T next() override;
    int getType() override { return 3; }
    TreeIterator<T>* clone() override { return new PostorderTreeIterator<T>(*this); }

private:
    LinkedNode<T>* successor();
};

/// Level order (breadth first) from the node at the root reference, limited to the levels
/// @p minLevel to @p maxLevel (the top node has level 0).
template <typename T>
class LevelorderTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    /// @p current is only where the iterator is placed; the walk always starts at the top.
    LevelorderTreeIterator(LinkedNode<T>* current, LinkedNode<T>** rootRef, LinkedTree<T>* tree,
                           int minLevel, int maxLevel);
    bool hasNext() override;
    T next() override;
    int getType() override { return 4; }
    TreeIterator<T>* clone() override { return new LevelorderTreeIterator<T>(*this); }

protected:
    void forgetRemoved(LinkedNode<T>* removed) override;

private:
    LinkedNode<T>* advance();

    int minLevel;
    int maxLevel;
    /// Nodes still to visit, each with its level.
    std::deque<std::pair<LinkedNode<T>*, int>> queue;
};

/// The leaves (nodes without children) in preorder.
template <typename T>
class LeafTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    LeafTreeIterator(LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    LeafTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    LeafTreeIterator(const LeafTreeIterator& other);
    LeafTreeIterator& operator=(const LeafTreeIterator&) = delete;
    bool hasNext() override;
    T next() override;
    int getType() override { return 7; }
    TreeIterator<T>* clone() override { return new LeafTreeIterator<T>(*this); }

protected:
    void forgetRemoved(LinkedNode<T>* removed) override;

private:
    LinkedNode<T>* advance();

    std::unique_ptr<PreorderTreeIterator<T>> inner;
};

/// The non-null children of one node, in index order.
template <typename T>
class ChildTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    /// Over the children of @p parentNode (none when it is null).
    ChildTreeIterator(LinkedNode<T>* parentNode, LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    bool hasNext() override;
    T next() override;
    int getType() override { return 5; }
    TreeIterator<T>* clone() override { return new ChildTreeIterator<T>(*this); }

private:
    LinkedNode<T>* advance();

    int nextIndex;
    LinkedNode<T>* parentNode;
};

/// The ancestors of a node, from its parent up to the node at the root reference.
template <typename T>
class RootTreeIterator : public AbstractLinkedTreeIterator<T> {
public:
    /// Over the ancestors of @p start (none when it is null or the top).
    RootTreeIterator(LinkedNode<T>* start, LinkedNode<T>** rootRef, LinkedTree<T>* tree);
    bool hasNext() override;
    T next() override;
    int getType() override { return 6; }
    TreeIterator<T>* clone() override { return new RootTreeIterator<T>(*this); }
};

/// An iterator that moves freely (to a child, to the parent) and steps with an inner iterator of
/// a chosen order placed at its current node: preorder (1), postorder (3), level order (4, up to
/// the stored level), child (5) or root (6). Handed out through its `ArbitraryTreeIterator<T>`
/// base; hold it through that type.
template <typename T>
class WalkTreeIterator : public AbstractLinkedTreeIterator<T>, public ArbitraryTreeIterator<T> {
public:
    /// Placed at @p at, with an inner iterator of order @p type there. Throws
    /// `new IllegalArgumentException` for any other order.
    WalkTreeIterator(LinkedNode<T>* at, LinkedNode<T>** rootRef, LinkedTree<T>* tree, int type);
    WalkTreeIterator(const WalkTreeIterator& other);
    WalkTreeIterator& operator=(const WalkTreeIterator&) = delete;
    bool hasNext() override;
    T next() override;
    /// The inner iterator's order, 0 without one.
    int getType() override;
    TreeIterator<T>* clone() override;
    /// Also places a new inner iterator of the same order at the child.
    bool moveToChild(int i) override;
    /// Also places a new inner iterator of the same order at the parent. False at the top.
    bool moveToParent() override;

protected:
    void forgetRemoved(LinkedNode<T>* removed) override;

private:
    AbstractLinkedTreeIterator<T>* makeInner(LinkedNode<T>* at, int type);
    void placeInner(int type);

    std::unique_ptr<AbstractLinkedTreeIterator<T>> inner;
    int level;
};

#endif
