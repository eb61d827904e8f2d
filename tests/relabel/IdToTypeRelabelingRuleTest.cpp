#include "cleaning/VesselTreeBuilder.h"
#include "relabel/RuleFailure.h"

#include <angiolith/relabel/IdToTypeRelabelingRule.h>

#include <gtest/gtest.h>

using testtrees::makeTree;
using testtrees::vessel;

namespace {

ar<Vessel> ofType(int id, int type) {
    ar<Vessel> v = vessel(id, {{0, 0, 0}, {1, 0, 0}}, 1.0f);
    v->getProperties().type = static_cast<VesselProperties::NType>(type);
    return v;
}

}  // namespace

TEST(IdToTypeRelabelingRule, LabelsAreTheVesselSystemNumbers) {
    // A hepatic root with a portal child, a default (portal) child and an unnumbered one.
    ar<Vessel> plain = vessel(4, {{0, 0, 0}, {0, 1, 0}}, 1.0f);
    const IdToTypeRelabelingRule rule(makeTree(
        {ofType(1, 1), {{ofType(3, 2), {{ofType(2, 1), {}}}}, {plain, {}}, {ofType(-1, 1), {}}}}));
    EXPECT_EQ(rule.getNewLabel(1), 1u);
    EXPECT_EQ(rule.getNewLabel(2), 1u);
    EXPECT_EQ(rule.getNewLabel(3), 2u);
    EXPECT_EQ(rule.getNewLabel(4), 2u);
    EXPECT_EQ(rule.getNewLabel(0), 0u);

    EXPECT_EQ(ruleFailure(rule, 5),
              "Range overflow: 5\n"
              "IdToTypeRelabelingRule::getNewLabel(...): Id > size()!");

    const IdToTypeRelabelingRule copy(rule);
    EXPECT_EQ(copy.getNewLabel(3), 2u);
}
