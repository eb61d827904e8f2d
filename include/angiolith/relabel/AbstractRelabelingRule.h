#ifndef ANGIOLITH_RELABEL_ABSTRACTRELABELINGRULE_H
#define ANGIOLITH_RELABEL_ABSTRACTRELABELINGRULE_H

/// A lookup from vessel id to a new label, applied voxel by voxel by VesselIDRelabeling::relabel.
/// Implementations build their table once (usually from a vessel tree) and are immutable after.
class AbstractRelabelingRule {
public:
    virtual ~AbstractRelabelingRule();

    /// The label that replaces @p id. Implementations throw std::runtime_error for an id they
    /// have no entry for.
    virtual unsigned int getNewLabel(const unsigned int& id) const = 0;
};

#endif
