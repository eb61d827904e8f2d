#ifndef ANGIOLITH_TREE_TREEITERATOR_H
#define ANGIOLITH_TREE_TREEITERATOR_H

#include <angiolith/tree/TreeExceptions.h>

template <typename T>
class Node;
template <typename T>
class Tree;
template <typename T>
class LinkedNode;
template <typename T>
class AbstractLinkedTreeIterator;
template <typename T>
class ArbitraryTreeIterator;

/// A cursor over a sequence of values.
template <typename T>
class Iterator {
public:
    virtual ~Iterator() = default;
    virtual bool hasNext() = 0;
    /// The next value; throws `NoSuchElementException` when there is none.
    virtual T next() = 0;
    virtual bool remove() = 0;
};

/// A cursor over a tree with a current node: it steps through the tree in a fixed order and reads,
/// replaces, adds and removes values and subtrees at its current node. Results that are iterator
/// or tree pointers are new objects owned by the caller (wrap them in `ar<...>`).
///
/// After an edit that deletes nodes, other iterators of the same tree may refer to deleted nodes
/// and must not be stepped again; make new iterators instead.
template <typename T>
class TreeIterator : public Iterator<T> {
public:
    /// Deletes the current node with its subtree (emptying the tree at the root); the iterator is
    /// left without a current node. False without a current node, and at the top of a view taken
    /// at the tree's root (the view cannot empty the tree it was taken from).
    bool remove() override = 0;
    /// Stores a new node for @p value at child index @p i of the current node (deleting a child
    /// already there; growing the child list with null entries). False without a current node or
    /// for a negative index.
    virtual bool setChild(int i, T value) = 0;
    /// Appends a copy of @p other's structure (sharing its values) below the current node, or
    /// makes it this tree's content when this tree is empty.
    virtual bool addSubTree(Tree<T>& other) = 0;
    /// Appends a child holding @p value to the current node; without a current node, makes
    /// @p value the root (and the current node) of an empty tree.
    virtual bool addChild(T value) = 0;
    virtual bool hasCurrent() = 0;
    /// The current node's value (a current node is required).
    virtual T getValue() = 0;
    /// A new view tree (never deleting nodes) whose root is the current node; null without one.
    virtual Tree<T>* getSubTree() = 0;
    /// Whether the current node has no children (a current node is required).
    virtual bool isLeaf() = 0;
    virtual bool isRoot() = 0;
    /// 1 preorder, 2 inorder, 3 postorder, 4 level order, 5 child, 6 root, 7 leaf.
    virtual int getType() = 0;
    /// Replaces the current node's value and returns the old one (a current node is required).
    virtual T setValue(T value) = 0;
    /// Deletes child @p i of the current node with its subtree; false when it does not exist.
    virtual bool removeChild(int i) = 0;
    virtual bool hasChild(int i) = 0;
    /// Index of the current node's first child holding @p value, or -1.
    virtual int indexOf(T value) = 0;
    /// Number of child entries of the current node, or -1 without one.
    virtual int getNumberOfChildren() = 0;
    virtual bool hasParent() = 0;
    /// Takes the current node out of the tree, appending its children in order to its parent's
    /// children; the detached node is deleted (its children are not) and the iterator is left
    /// without a current node. False without a current node or at the root.
    virtual bool removeAndLiftChildren() = 0;
    /// A new iterator over the current node's children.
    virtual TreeIterator<T>* childIterator() = 0;
    /// A new iterator over the current node's ancestors, from its parent up to the root.
    virtual TreeIterator<T>* rootIterator() = 0;
    /// A new walk iterator placed at child @p i, with this iterator's order; null without a
    /// current node or child @p i. Throws `new IllegalArgumentException` for an order a walk
    /// cannot take (inorder, leaf).
    virtual ArbitraryTreeIterator<T>* walkIterator(int i) = 0;
    /// 0 for a current node without children; else the number of nodes a preorder iterator made
    /// from this one returns.
    virtual int countFromHere() = 0;
    /// A new iterator of the same class in the same state.
    virtual TreeIterator<T>* clone() = 0;
    virtual Node<T>* getCurrentNode() = 0;
    /// The address of the tree's root field, shared by all iterators of the tree.
    virtual LinkedNode<T>** getRootReference() = 0;
    virtual Tree<T>* getTree() = 0;
    /// Copies the current and pending nodes, the root reference and the tree of @p other.
    virtual void assign(const AbstractLinkedTreeIterator<T>& other) = 0;
};

/// A tree iterator that can also move freely to a child or to the parent.
template <typename T>
class ArbitraryTreeIterator : public virtual TreeIterator<T> {
public:
    /// Moves to child @p i; false when it is null or absent. Throws `NoSuchElementException`
    /// without a current node.
    virtual bool moveToChild(int i) = 0;
    /// Moves to the parent; false at the root. Throws `NoSuchElementException` without a
    /// current node.
    virtual bool moveToParent() = 0;
};

#endif
