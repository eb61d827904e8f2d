#ifndef ANGIOLITH_TREE_ARVESSELTREE_H
#define ANGIOLITH_TREE_ARVESSELTREE_H

#include <angiolith/tree/LinkedNode.h>
#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/LinkedTreeIterators.h>
#include <angiolith/tree/Tree.h>
#include <angiolith/tree/Vessel.h>
#include <angiolith/tree/ar.h>

#include <iosfwd>

/// How vessel trees are passed: a shared handle to a tree of shared vessels. A new tree is a
/// `LinkedTree<ar<Vessel>>` created with `new` and handed to such a handle at once.
typedef ar<Tree<ar<Vessel>>> ArVesselTree;

/// Writes @p tree (which must not be null) in the tree text format:
///
///     HAVN-TSL 2000 Tree
///     {
///        <root vessel> <children or ->
///     }
///
/// Numbers use the stream's formatting (a default stream keeps 6 significant digits).
std::ostream& operator<<(std::ostream& os, ArVesselTree& tree);

/// Reads a tree text into @p tree, creating an empty `LinkedTree` first when the handle is null.
/// A tree that already has a root is left alone and nothing is read. The reader is tolerant (it
/// compares no separator) and safe on any input: a text that ends early or is malformed leaves
/// what was read so far and the stream failed; the text of an empty tree reads as an empty tree.
std::istream& operator>>(std::istream& is, ArVesselTree& tree);

// The vessel tree's node, tree and iterator classes are compiled once, in the library
// (src/tree/ArVesselTree.cpp); users link to them instead of instantiating them again.
extern template class LinkedNode<ar<Vessel>>;
extern template class LinkedTree<ar<Vessel>>;
extern template class AbstractLinkedTreeIterator<ar<Vessel>>;
extern template class PreorderTreeIterator<ar<Vessel>>;
extern template class InorderTreeIterator<ar<Vessel>>;
extern template class PostorderTreeIterator<ar<Vessel>>;
extern template class LevelorderTreeIterator<ar<Vessel>>;
extern template class LeafTreeIterator<ar<Vessel>>;
extern template class ChildTreeIterator<ar<Vessel>>;
extern template class RootTreeIterator<ar<Vessel>>;
extern template class WalkTreeIterator<ar<Vessel>>;

#endif
