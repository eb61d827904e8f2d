#ifndef ANGIOLITH_TREE_LINKEDNODE_H
#define ANGIOLITH_TREE_LINKEDNODE_H

#include <angiolith/tree/Node.h>

#include <vector>

template <typename T>
class LinkedTree;
template <typename T>
class AbstractLinkedTreeIterator;
namespace angiolith::detail {
template <typename T>
struct LinkedTreeWalk;
}

/// A tree node linked to its parent and owning its children, which it deletes with itself.
template <typename T>
class LinkedNode : public Node<T> {
public:
    /// A node holding @p value under @p parent (borrowed; the caller links the node into the
    /// parent's child list), with room reserved for @p reserve children.
    LinkedNode(T value, LinkedNode<T>* parent, int reserve);
    LinkedNode(const LinkedNode&) = delete;
    LinkedNode& operator=(const LinkedNode&) = delete;
    /// Removes the node from its parent's children and deletes its whole subtree (iteratively, so
    /// that deep trees cannot exhaust the stack), releasing the values.
    ~LinkedNode() override;

    T getValue() override;
    T setValue(T value) override;
    Node<T>* getChild(int i) override;
    Node<T>* getParent() override;
    void setParent(Node<T>* parent) override;
    bool hasChildren() override;
    bool hasParent() override;
    int getNumberOfChildren() override;
    bool removeChild(Node<T>* child) override;
    bool replaceChild(Node<T>* old, Node<T>* with) override;
    int indexOf(T value) override;
    int indexOf(Node<T>* child) override;
    void setChild(int i, Node<T>* child) override;
    void addChild(Node<T>* child) override;
    /// Null child entries are not written; a node with only null entries is written as a leaf.
    void print(std::ostream& os, int depth) override;
    /// Reads iteratively; a nesting deeper than `angiolith::detail::kMaxTreeTextDepth` below this
    /// node fails the stream. On a failed stream the nodes read so far stay.
    void read(std::istream& is) override;

private:
    friend class LinkedTree<T>;
    friend class AbstractLinkedTreeIterator<T>;
    friend struct angiolith::detail::LinkedTreeWalk<T>;

    T value;
    LinkedNode<T>* parent;
    std::vector<LinkedNode<T>*> children;
};

#endif
