#ifndef ANGIOLITH_TREE_TREEEXCEPTIONS_H
#define ANGIOLITH_TREE_TREEEXCEPTIONS_H

/// Thrown by value by an iterator's `next` when no element is left, and by a walk iterator's
/// moves when it has no current node. Carries no data.
class NoSuchElementException {};

/// Thrown as a pointer to a new object (`throw new IllegalArgumentException`) when a walk iterator
/// is asked for an inner order it cannot take; the catcher deletes it. Carries no data.
class IllegalArgumentException {};

#endif
