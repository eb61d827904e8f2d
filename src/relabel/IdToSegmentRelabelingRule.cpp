#include "relabel/LabelTable.h"

#include <angiolith/relabel/IdToSegmentRelabelingRule.h>

namespace {

constexpr const char* kRangeError = "IdToSegmentRelabelingRule::getNewLabel(...): Id > size()";

unsigned int segmentOf(VesselProperties& properties) {
    return static_cast<unsigned int>(properties.segment);
}

}  // namespace

IdToSegmentRelabelingRule::IdToSegmentRelabelingRule(ArVesselTree tree)
    : labels(angiolith::detail::buildLabelTable(tree, getMaxID(tree), segmentOf)) {}

IdToSegmentRelabelingRule::IdToSegmentRelabelingRule(const IdToSegmentRelabelingRule& other) =
    default;

IdToSegmentRelabelingRule& IdToSegmentRelabelingRule::operator=(
    const IdToSegmentRelabelingRule& other) = default;

IdToSegmentRelabelingRule::~IdToSegmentRelabelingRule() = default;

unsigned int IdToSegmentRelabelingRule::getNewLabel(const unsigned int& id) const {
    return angiolith::detail::lookupLabel(labels, id, kRangeError);
}

unsigned int IdToSegmentRelabelingRule::getMaxID(ArVesselTree tree) {
    return angiolith::detail::maxVesselId(tree);
}
