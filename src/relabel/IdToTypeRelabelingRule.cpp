#include "relabel/LabelTable.h"

#include <angiolith/relabel/IdToTypeRelabelingRule.h>

namespace {

constexpr const char* kRangeError = "IdToTypeRelabelingRule::getNewLabel(...): Id > size()!";

unsigned int typeOf(VesselProperties& properties) {
    return static_cast<unsigned int>(properties.type);
}

}  // namespace

IdToTypeRelabelingRule::IdToTypeRelabelingRule(ArVesselTree tree)
    : labels(angiolith::detail::buildLabelTable(tree, getMaxID(tree), typeOf)) {}

IdToTypeRelabelingRule::IdToTypeRelabelingRule(const IdToTypeRelabelingRule& other) = default;

IdToTypeRelabelingRule& IdToTypeRelabelingRule::operator=(const IdToTypeRelabelingRule& other) =
    default;

IdToTypeRelabelingRule::~IdToTypeRelabelingRule() = default;

unsigned int IdToTypeRelabelingRule::getNewLabel(const unsigned int& id) const {
    return angiolith::detail::lookupLabel(labels, id, kRangeError);
}

unsigned int IdToTypeRelabelingRule::getMaxID(ArVesselTree tree) {
    return angiolith::detail::maxVesselId(tree);
}
