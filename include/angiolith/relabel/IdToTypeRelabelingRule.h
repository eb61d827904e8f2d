#ifndef ANGIOLITH_RELABEL_IDTOTYPERELABELINGRULE_H
#define ANGIOLITH_RELABEL_IDTOTYPERELABELINGRULE_H

#include <angiolith/relabel/AbstractRelabelingRule.h>
#include <angiolith/tree/ArVesselTree.h>

#include <vector>

/// Relabels vessel ids by the vessel system (VesselProperties::type: 1 hepatic, 2 portal)
/// of the vessel that carries the id. Ids that no vessel of the tree carries map to 0; vessels
/// with a negative id (not yet numbered) are left out of the table.
class IdToTypeRelabelingRule : public AbstractRelabelingRule {
public:
    /// Builds the table from the vessels of @p tree; keeps no reference to the tree. A null
    /// handle is taken as an empty tree. When two vessels carry the same id, the later one in
    /// preorder wins.
    explicit IdToTypeRelabelingRule(ArVesselTree tree);
    IdToTypeRelabelingRule(const IdToTypeRelabelingRule& other);
    IdToTypeRelabelingRule& operator=(const IdToTypeRelabelingRule& other);
    ~IdToTypeRelabelingRule() override;

    /// The label stored for @p id. For an id beyond the table, writes the line
    /// "Range overflow: <id>" to the standard output and throws std::runtime_error.
    unsigned int getNewLabel(const unsigned int& id) const override;

private:
    /// The largest vessel id of @p tree, 0 for an empty tree or when no id is positive.
    unsigned int getMaxID(ArVesselTree tree);

    std::vector<unsigned int> labels;
};

#endif
