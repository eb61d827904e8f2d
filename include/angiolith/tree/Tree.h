#ifndef ANGIOLITH_TREE_TREE_H
#define ANGIOLITH_TREE_TREE_H

#include <angiolith/tree/TreeIterator.h>

#include <iosfwd>

/// Receives a call after each structural change of a tree made through `setRoot` or an iterator.
template <typename T>
class TreeListener {
public:
    virtual ~TreeListener() = default;
    /// Called after the change with an iterator at the place of the change (borrowed, valid only
    /// during the call): the editing iterator, or for a removal a preorder iterator placed at the
    /// removed node's parent, or after `setRoot` a preorder iterator over the whole tree.
    virtual void treeChanged(TreeIterator<T>* where) = 0;
};

/// An ordered tree of values of type T: the interface of `LinkedTree<T>`. Iterator results are
/// new objects owned by the caller; "from" arguments are iterators whose current node is the
/// starting point (the new iterator shares their tree and root reference).
template <typename T>
class Tree {
public:
    virtual ~Tree() = default;
    /// Turns the current node of @p at into the root by reversing the parent links above it: each
    /// former ancestor becomes the last child of the node that was its child.
    virtual bool makeRoot(TreeIterator<T>& at) = 0;
    /// Creates the root holding @p value; false when the tree already has a root.
    virtual bool setRoot(T value) = 0;
    virtual bool contains(T value) = 0;
    virtual int size() = 0;
    /// Whether both trees hold equal values in the same preorder sequence.
    virtual bool equals(Tree<T>& other) = 0;
    virtual bool isLeaf(T value) = 0;
    virtual bool isRoot(T value) = 0;
    virtual void clear() = 0;
    /// Exchanges the current nodes of @p a and @p b, with their subtrees, between their places.
    /// Refused (false, tree unchanged) when one lies in the other's subtree.
    virtual bool swapSubTrees(TreeIterator<T>& a, TreeIterator<T>& b) = 0;
    virtual TreeIterator<T>* preorderIterator() = 0;
    virtual TreeIterator<T>* preorderIterator(TreeIterator<T>& from) = 0;
    virtual TreeIterator<T>* postorderIterator() = 0;
    virtual TreeIterator<T>* postorderIterator(TreeIterator<T>& from) = 0;
    virtual TreeIterator<T>* inorderIterator() = 0;
    virtual TreeIterator<T>* inorderIterator(TreeIterator<T>& from) = 0;
    virtual TreeIterator<T>* leafIterator(TreeIterator<T>& from) = 0;
    virtual TreeIterator<T>* leafIterator() = 0;
    /// Level order over the levels @p minLevel to @p maxLevel (the root has level 0).
    virtual TreeIterator<T>* levelorderIterator(int minLevel, int maxLevel) = 0;
    virtual TreeIterator<T>* levelorderIterator(TreeIterator<T>& from, int minLevel,
                                                int maxLevel) = 0;
    virtual TreeIterator<T>* levelorderIterator(int maxLevel) = 0;
    virtual TreeIterator<T>* levelorderIterator(TreeIterator<T>& from, int maxLevel) = 0;
    /// A walk iterator placed at the root, stepping in preorder.
    virtual ArbitraryTreeIterator<T>* walkIterator() = 0;
    virtual ArbitraryTreeIterator<T>* walkIterator(TreeIterator<T>& from) = 0;
    /// Writes the tree text format.
    virtual void print(std::ostream& os) = 0;
    /// Reads the tree text format into an empty tree; a tree with a root reads nothing.
    virtual void read(std::istream& is) = 0;
    /// Registers @p listener (borrowed) unless already registered.
    virtual bool addListener(TreeListener<T>* listener) = 0;
    virtual bool removeListener(TreeListener<T>* listener) = 0;
    virtual void notifyListeners(TreeIterator<T>* where) = 0;
};

#endif
