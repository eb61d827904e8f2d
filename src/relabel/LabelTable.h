#ifndef ANGIOLITH_SRC_RELABEL_LABELTABLE_H
#define ANGIOLITH_SRC_RELABEL_LABELTABLE_H

#include <angiolith/tree/ArVesselTree.h>

#include <vector>

// The table logic shared by the id-to-attribute relabelling rules.
namespace angiolith::detail {

/// The attribute of a vessel that a rule stores as its label.
using VesselLabelOf = unsigned int (*)(VesselProperties& properties);

/// The largest vessel id of @p tree, walked in preorder and compared as signed numbers starting
/// from 0; 0 for an empty tree or a null handle.
unsigned int maxVesselId(const ArVesselTree& tree);

/// A table of @p maxId + 1 labels, 0 where no vessel carries the id, otherwise @p labelOf of the
/// last vessel in preorder that carries it. Vessels with a negative id have no entry and are
/// skipped; so are ids above @p maxId (none when @p maxId comes from maxVesselId).
std::vector<unsigned int> buildLabelTable(const ArVesselTree& tree, unsigned int maxId,
                                          VesselLabelOf labelOf);

/// labels[id]; for an id beyond the table writes "Range overflow: <id>" as one line to the
/// standard output and throws std::runtime_error with @p rangeError.
unsigned int lookupLabel(const std::vector<unsigned int>& labels, unsigned int id,
                         const char* rangeError);

}  // namespace angiolith::detail

#endif
