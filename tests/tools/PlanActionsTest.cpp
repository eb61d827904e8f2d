// Applying plan points to a hand-made set of two trees, on a grid with an origin.
#include "cli/Forest.h"
#include "cli/Stages.h"
#include "cli/UserError.h"
#include "cli/planning/ForestWalk.h"
#include "cli/planning/PlanActions.h"
#include "cli/planning/Quantities.h"
#include "support/Errors.h"
#include "support/VesselTrees.h"

#include <angiolith/tree/ArVesselTree.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

namespace angiolith::tool::planning {
namespace {

using angiolith::test::Branch;
using angiolith::test::makeTree;
using angiolith::test::makeVessel;

// A portal vessel (segment and resection status undefined) with samples from @p from to @p to,
// one per mm: each step moves every coordinate one towards @p to.
Branch line(int id, std::array<int, 3> from, std::array<int, 3> to) {
    std::vector<Vector3<float>> samples;
    for (std::array<int, 3> p = from;;) {
        samples.push_back(
            {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        if (p == to) break;
        for (int i = 0; i < 3; ++i) p[i] += (to[i] > p[i]) - (to[i] < p[i]);
    }
    return {makeVessel(id, VesselProperties::PORTAL, 1, 1, samples), {}};
}

// Tree 1: vessel 1 along x from 0 to 10, its children 2 (to +y) and 3 (to -y); tree 2: vessel 4
// along y from 20 to 30. World = tree position + (100, 0, 0).
std::vector<ArVesselTree> forest() {
    Branch first = line(1, {0, 0, 0}, {10, 0, 0});
    first.children = {line(2, {10, 0, 0}, {10, 5, 0}), line(3, {10, 0, 0}, {10, -5, 0})};
    return {makeTree(first), makeTree(line(4, {0, 20, 0}, {0, 30, 0}))};
}

Geometry grid() {
    Geometry g;
    g.size = {200, 40, 10};
    g.origin = {100, 0, 0};
    return g;
}

// Per vessel id: its segment, type, resection status and number of samples.
using State = std::map<int, std::array<int, 4>>;

State stateOf(const std::vector<ArVesselTree>& trees) {
    State state;
    for (const VesselEntry& e : flatten(trees)) {
        const VesselProperties& p = e.vessel->getProperties();
        state[e.vessel->getId()] = {p.segment, static_cast<int>(p.type), p.resectionStatus,
                                    e.vessel->getSize()};
    }
    return state;
}

PlanPoint point(const std::string& label, Vec3 lps) { return {label, lps, *actionOf(label)}; }

TEST(PlanActions, PointsChangeWhatTheySay) {
    constexpr int R = kResectionRemnant, X = kResectionResected;
    struct Case {
        const char* what;
        std::vector<PlanPoint> points;
        State expected;
    } cases[] = {
        {"a cut in the middle splits the vessel and resects the part beyond",
         {point("cut", {105.2, 0.3, 0})},
         {{1, {1, 2, R, 6}},
          {5, {1, 2, X, 6}},
          {2, {1, 2, X, 6}},
          {3, {1, 2, X, 6}},
          {4, {1, 2, R, 11}}}},
        {"a cut at a vessel's first sample resects it whole",
         {point("cut", {110, 0.4, 0})},
         {{1, {1, 2, R, 11}}, {2, {1, 2, X, 6}}, {3, {1, 2, R, 6}}, {4, {1, 2, R, 11}}}},
        {"a cut at a root resects its tree only",
         {point("cut", {100, 0, 0})},
         {{1, {1, 2, X, 11}}, {2, {1, 2, X, 6}}, {3, {1, 2, X, 6}}, {4, {1, 2, R, 11}}}},
        {"a deeper segment overrides a shallower one on its subtree, in any order",
         {point("segment 7", {110, 4, 0}), point("segment 2", {103, 0, 0})},
         {{1, {2, 2, 1, 11}}, {2, {7, 2, 1, 6}}, {3, {2, 2, 1, 6}}, {4, {1, 2, 1, 11}}}},
        {"hepatic sets the type of the nearest vessel's whole tree",
         {point("hepatic", {100, 25, 0.5})},
         {{1, {1, 2, 1, 11}}, {2, {1, 2, 1, 6}}, {3, {1, 2, 1, 6}}, {4, {1, 1, 1, 11}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ArVesselTree> trees = forest();
        const PlanOutcome outcome = applyPlan(trees, c.points, grid(), 2.0);
        EXPECT_EQ(outcome.lines.size(), c.points.size());
        EXPECT_EQ(stateOf(trees), c.expected);
    }
}

TEST(PlanActions, SplitPartsMeetAtTheCutAndKeepTheChildren) {
    std::vector<ArVesselTree> trees = forest();
    const PlanOutcome outcome = applyPlan(trees, {point("cut", {104, 0, 0})}, grid(), 1.0);
    ASSERT_EQ(outcome.lines.size(), 1u);
    EXPECT_EQ(outcome.lines[0],
              "cut: cut vessel 1 of tree 1 from sample 4 on (now vessel 5), 3 vessel(s) resected");
    const std::vector<VesselEntry> entries = flatten(trees);
    ASSERT_EQ(entries.size(), 5u);
    // Preorder: 1, its new part 5, then 2 and 3 below the new part.
    EXPECT_EQ(entries[1].vessel->getId(), 5);
    EXPECT_EQ(entries[1].parent, 0);
    EXPECT_EQ(entries[2].parent, 1);
    EXPECT_EQ(entries[3].parent, 1);
    const auto& up = entries[0].vessel->getElementsList();
    const auto& down = entries[1].vessel->getElementsList();
    EXPECT_EQ(up.back().position.x, 4.0f);
    EXPECT_EQ(down.front().position.x, 4.0f);
    EXPECT_EQ(down.back().position.x, 10.0f);
}

TEST(PlanActions, FarPointsAreRejectedBeforeAnythingChanges) {
    std::vector<ArVesselTree> trees = forest();
    EXPECT_EQ(angiolith::test::messageOf<UserError>([&] {
                  applyPlan(trees, {point("segment 3", {103, 0, 0}), point("cut", {105, 0, 4})},
                            grid(), 3.5);
              }),
              "point 'cut' at 105,0,4 mm (LPS) is 4.0 mm from the nearest centre line, farther "
              "than --max-distance 3.5 mm; place it on a vessel");
    for (const auto& [id, s] : stateOf(trees)) EXPECT_EQ(s[0], 1) << id;
}

// Two parallel vessels in two trees over an 11 x 11 tissue square, worked by hand: vessel 9
// (the first tree) along y = 0 and vessel 7 (the second) along y = 10, x from 0 to 10. Rows
// y 0..4 are nearer vessel 9, rows 6..10 nearer vessel 7, and row 5, equally near both, goes
// to the first tree.
TEST(PlanActions, PlansOverTwoTreesMatchHandCountedVolumes) {
    std::vector<ArVesselTree> trees = {makeTree(line(9, {0, 0, 0}, {10, 0, 0})),
                                       makeTree(line(7, {0, 10, 0}, {10, 10, 0}))};
    Geometry square;
    square.size = {11, 11, 1};
    square.origin = {100, 0, 0};
    // The cut splits vessel 7 at x = 5: the new part takes the next id of the whole forest (10,
    // above vessel 9 of the other tree). The segment and hepatic points lie exactly between the
    // trees: they act on the first tree.
    const PlanOutcome outcome =
        applyPlan(trees,
                  {point("cut", {105, 10.2, 0}), point("segment 3", {105, 5, 0}),
                   point("hepatic", {103, 5, 0})},
                  square, 5.0);
    EXPECT_EQ(outcome.lines[1],
              "cut: cut vessel 7 of tree 2 from sample 5 on (now vessel 10), 1 vessel(s) resected");
    EXPECT_EQ(outcome.lines[2], "segment 3: vessel 9 of tree 1 and its subtree are segment 3");
    constexpr int R = kResectionRemnant, X = kResectionResected;
    EXPECT_EQ(stateOf(trees), (State{{9, {3, 1, R, 11}}, {7, {1, 2, R, 6}}, {10, {1, 2, X, 6}}}));
    EXPECT_EQ(flatten(trees)[2].tree, 1u);  // the new part is in the second tree

    // Territories over the whole forest. Column x = 5 of the second tree's rows is as near
    // vessel 7's last sample as vessel 10's first (the same place): it stays upstream.
    Volume tissue{makeDescriptor(lumoTeskTypeUnsigned, 8, square.size), square};
    std::fill_n(static_cast<std::uint8_t*>(tissue.pic->data), 121, 1);
    const Territories territories = computeTerritories(joinForest(trees), tissue);
    const Quantities q = measure(trees, square, valueCounts16(*territories.vesselIds.pic));
    EXPECT_EQ(q.tissueVoxels, 121u);
    std::map<int, std::pair<unsigned long long, unsigned long long>> figures;
    for (const VesselFigures& f : q.vessels) figures[f.id] = {f.ownVoxels, f.subtreeVoxels};
    EXPECT_EQ(figures[9], std::make_pair(66ull, 66ull));
    EXPECT_EQ(figures[7], std::make_pair(30ull, 55ull));
    EXPECT_EQ(figures[10], std::make_pair(25ull, 25ull));
    EXPECT_EQ(q.resectedVoxels(), 25u);
    ASSERT_EQ(q.trees.size(), 2u);
    EXPECT_EQ(q.trees[0].voxels, 66u);
    EXPECT_EQ(q.trees[1].voxels, 55u);
    ASSERT_EQ(q.segments.size(), 2u);
    EXPECT_EQ(q.segments[1].key, 3);
    EXPECT_EQ(q.segments[1].voxels, 66u);

    // Planning again on the planned trees adds to the resection: vessel 10 stays resected.
    applyPlan(trees, {point("cut", {100, 0, 0})}, square, 5.0);
    EXPECT_EQ(stateOf(trees), (State{{9, {3, 1, X, 11}}, {7, {1, 2, R, 6}}, {10, {1, 2, X, 6}}}));
}

TEST(PlanActions, PointsThatContradictEachOtherAreToldOf) {
    std::vector<ArVesselTree> trees = forest();
    const PlanOutcome outcome =
        applyPlan(trees,
                  {point("hepatic", {100, 25, 0}), point("portal", {105, 0, 0}),
                   point("portal", {100, 22, 0})},
                  grid(), 2.0);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_EQ(outcome.warnings[0],
              "points 'hepatic' and 'portal' both set the system of tree 2; the later, 'portal', "
              "holds");
    EXPECT_EQ(stateOf(trees).at(4)[1], 2);
}

TEST(PlanActions, ActionNames) {
    const std::pair<const char*, int> good[] = {
        {"cut", PlanAction::Cut},           {" CUT ", PlanAction::Cut},
        {"hepatic", PlanAction::Hepatic},   {"Portal", PlanAction::Portal},
        {"segment 8", PlanAction::Segment}, {"segment8", PlanAction::Segment}};
    for (const auto& [label, kind] : good) {
        ASSERT_TRUE(actionOf(label).has_value()) << label;
        EXPECT_EQ(actionOf(label)->kind, kind) << label;
    }
    EXPECT_EQ(actionOf("segment 8")->segment, 8);
    for (const char* bad : {"", "F-1", "segment", "segment 0", "segment 65536", "segment -2",
                            "segment 2.5", "cut here"}) {
        EXPECT_FALSE(actionOf(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace angiolith::tool::planning
