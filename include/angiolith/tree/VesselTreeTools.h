#ifndef ANGIOLITH_TREE_VESSELTREETOOLS_H
#define ANGIOLITH_TREE_VESSELTREETOOLS_H

#include <angiolith/tree/ArVesselTree.h>

/// Utilities over whole vessel trees.
class VesselTreeTools {
public:
    /// A deep copy of @p tree (which must not be null): new nodes and new `Vessel` objects with
    /// the same contents, shape and child order, sharing nothing with the source. For a tree
    /// without root, writes an error line to the standard output and returns a null handle.
    static ArVesselTree Clone(ArVesselTree tree);
};

#endif
