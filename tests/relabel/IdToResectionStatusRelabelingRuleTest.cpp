#include "cleaning/VesselTreeBuilder.h"
#include "relabel/RuleFailure.h"

#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>

#include <gtest/gtest.h>

using testtrees::makeTree;
using testtrees::vessel;

namespace {

ar<Vessel> withStatus(int id, int status) {
    ar<Vessel> v = vessel(id, {{0, 0, 0}, {1, 0, 0}}, 1.0f);
    v->getProperties().resectionStatus = status;
    return v;
}

}  // namespace

TEST(IdToResectionStatusRelabelingRule, LabelsAreTheStoredStatuses) {
    // 1 (the default) means undefined and is stored like any other status.
    ar<Vessel> plain = vessel(7, {{0, 0, 0}, {0, 1, 0}}, 1.0f);
    const IdToResectionStatusRelabelingRule rule(
        makeTree({withStatus(2, 3), {{withStatus(5, 12), {}}, {plain, {}}}}));
    EXPECT_EQ(rule.getNewLabel(2), 3u);
    EXPECT_EQ(rule.getNewLabel(5), 12u);
    EXPECT_EQ(rule.getNewLabel(7), 1u);
    EXPECT_EQ(rule.getNewLabel(1), 0u);
    EXPECT_EQ(rule.getNewLabel(6), 0u);

    EXPECT_EQ(ruleFailure(rule, 8),
              "Range overflow: 8\n"
              "IdToResectionStatusRelabelingRule::getNewLabel(...): Id > size()!");

    IdToResectionStatusRelabelingRule assigned(ArVesselTree(new LinkedTree<ar<Vessel>>()));
    assigned = rule;
    EXPECT_EQ(assigned.getNewLabel(5), 12u);
}
