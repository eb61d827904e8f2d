#include "relabel/LabelTable.h"

#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>

namespace {

constexpr const char* kRangeError =
    "IdToResectionStatusRelabelingRule::getNewLabel(...): Id > size()!";

unsigned int resectionStatusOf(VesselProperties& properties) {
    return static_cast<unsigned int>(properties.resectionStatus);
}

}  // namespace

IdToResectionStatusRelabelingRule::IdToResectionStatusRelabelingRule(ArVesselTree tree)
    : labels(angiolith::detail::buildLabelTable(tree, getMaxID(tree), resectionStatusOf)) {}

IdToResectionStatusRelabelingRule::IdToResectionStatusRelabelingRule(
    const IdToResectionStatusRelabelingRule& other) = default;

IdToResectionStatusRelabelingRule& IdToResectionStatusRelabelingRule::operator=(
    const IdToResectionStatusRelabelingRule& other) = default;

IdToResectionStatusRelabelingRule::~IdToResectionStatusRelabelingRule() = default;

unsigned int IdToResectionStatusRelabelingRule::getNewLabel(const unsigned int& id) const {
    return angiolith::detail::lookupLabel(labels, id, kRangeError);
}

unsigned int IdToResectionStatusRelabelingRule::getMaxID(ArVesselTree tree) {
    return angiolith::detail::maxVesselId(tree);
}
