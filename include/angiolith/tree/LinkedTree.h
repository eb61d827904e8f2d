#ifndef ANGIOLITH_TREE_LINKEDTREE_H
#define ANGIOLITH_TREE_LINKEDTREE_H

#include <angiolith/tree/LinkedNode.h>
#include <angiolith/tree/LinkedTreeIterators.h>
#include <angiolith/tree/Tree.h>

#include <vector>

/// An ordered tree of linked nodes. The tree owns its root (and so every node) unless it is a
/// view: a view, made by an iterator's `getSubTree`, shares the nodes of the tree it was taken
/// from, its root being the iterator's current node, and never deletes a node by itself (its
/// `clear` only forgets the root). Walks over a view stay inside the view.
///
/// This header declares the class only. The library compiles the vessel tree
/// (`LinkedTree<ar<Vessel>>`, see ArVesselTree.h) once; to use the linked tree with another
/// element type, include <angiolith/tree/detail/LinkedTreeImpl.h> as well for the member bodies.
template <typename T>
class LinkedTree : public Tree<T> {
public:
    /// An empty tree.
    LinkedTree();
    LinkedTree(const LinkedTree&) = delete;
    LinkedTree& operator=(const LinkedTree&) = delete;
    ~LinkedTree() override;

    /// False for a view, or when the current node of @p at is the root, absent or not in this tree.
    bool makeRoot(TreeIterator<T>& at) override;
    bool setRoot(T value) override;
    bool contains(T value) override;
    int size() override;
    bool equals(Tree<T>& other) override;
    /// True for a tree of one node whatever @p value is; else whether the first node in preorder
    /// holding @p value has no children (false when none holds it).
    bool isLeaf(T value) override;
    bool isRoot(T value) override;
    void clear() override;
    bool swapSubTrees(TreeIterator<T>& a, TreeIterator<T>& b) override;
    TreeIterator<T>* preorderIterator() override;
    TreeIterator<T>* preorderIterator(TreeIterator<T>& from) override;
    TreeIterator<T>* postorderIterator() override;
    TreeIterator<T>* postorderIterator(TreeIterator<T>& from) override;
    TreeIterator<T>* inorderIterator() override;
    TreeIterator<T>* inorderIterator(TreeIterator<T>& from) override;
    TreeIterator<T>* leafIterator(TreeIterator<T>& from) override;
    TreeIterator<T>* leafIterator() override;
    TreeIterator<T>* levelorderIterator(int minLevel, int maxLevel) override;
    TreeIterator<T>* levelorderIterator(TreeIterator<T>& from, int minLevel, int maxLevel) override;
    TreeIterator<T>* levelorderIterator(int maxLevel) override;
    TreeIterator<T>* levelorderIterator(TreeIterator<T>& from, int maxLevel) override;
    ArbitraryTreeIterator<T>* walkIterator() override;
    ArbitraryTreeIterator<T>* walkIterator(TreeIterator<T>& from) override;
    void print(std::ostream& os) override;
    void read(std::istream& is) override;
    bool addListener(TreeListener<T>* listener) override;
    bool removeListener(TreeListener<T>* listener) override;
    void notifyListeners(TreeIterator<T>* where) override;

private:
    friend class AbstractLinkedTreeIterator<T>;
    friend struct angiolith::detail::LinkedTreeWalk<T>;

    /// A view whose root is @p viewRoot (borrowed).
    explicit LinkedTree(LinkedNode<T>* viewRoot);

    LinkedNode<T>* root;
    std::vector<TreeListener<T>*> listeners;
    bool isView;
};

#endif
