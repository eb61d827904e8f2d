#ifndef ANGIOLITH_TREE_NODE_H
#define ANGIOLITH_TREE_NODE_H

#include <iosfwd>

/// A node of an ordered tree holding a value of type T: the interface of `LinkedNode<T>`.
/// Child lists may contain null entries; they count in the number of children.
template <typename T>
class Node {
public:
    virtual ~Node() = default;
    /// A copy of the value.
    virtual T getValue() = 0;
    /// Stores @p value and returns the previous value.
    virtual T setValue(T value) = 0;
    /// Child @p i, or null when @p i is out of range.
    virtual Node<T>* getChild(int i) = 0;
    virtual Node<T>* getParent() = 0;
    /// Sets the parent link only.
    virtual void setParent(Node<T>* parent) = 0;
    /// Whether the child list is non-empty (null entries count).
    virtual bool hasChildren() = 0;
    virtual bool hasParent() = 0;
    /// Length of the child list (null entries count).
    virtual int getNumberOfChildren() = 0;
    /// Removes the first entry equal to @p child from the list without deleting the child.
    virtual bool removeChild(Node<T>* child) = 0;
    /// Puts @p with into the first entry equal to @p old; neither node is deleted or re-parented.
    virtual bool replaceChild(Node<T>* old, Node<T>* with) = 0;
    /// Index of the first child whose value equals @p value, else -1.
    virtual int indexOf(T value) = 0;
    /// Index of the first entry equal to @p child, else -1.
    virtual int indexOf(Node<T>* child) = 0;
    /// Stores @p child (taking ownership) at index @p i: a child already there is deleted, and a
    /// list shorter than @p i + 1 grows with null entries. Negative indices are ignored. The
    /// parent link of @p child is not touched.
    virtual void setChild(int i, Node<T>* child) = 0;
    /// Appends @p child (taking ownership); its parent link is not touched.
    virtual void addChild(Node<T>* child) = 0;
    /// Writes the node and its subtree in the tree text format, at nesting depth @p depth.
    virtual void print(std::ostream& os, int depth) = 0;
    /// Reads the node's value and subtree in the tree text format.
    virtual void read(std::istream& is) = 0;
};

#endif
