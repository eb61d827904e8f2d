// Planning over a forest: two vessel systems on a grid that is rotated and moved in the world,
// as a scanner writes it, with points placed in either viewer frame.
#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/planning/ForestWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace angiolith::tool {
namespace {

using nlohmann::json;
using test::runTool;
using test::TempDir;
using test::ToolRun;

class PlanningForest : public test::SharedRunTest<PlanningForest> {
protected:
    static void SetUpTestSuite() {
        SharedRunTest::SetUpTestSuite();
        Geometry frame;
        frame.direction = {Vec3{0, -1, 0}, Vec3{1, 0, 0}, Vec3{0, 0, 1}};  // 90 degrees about z
        frame.origin = {-40, 25, 7};
        test::writeTwoSystems(shared() / "masks", "small", frame);
        runOnce({"run", shared() / "masks/vessels.nrrd", "--tissue", shared() / "masks/liver.nrrd",
                 "--by-label"},
                "vessel-ids.nrrd");
    }
};

// Per vessel id: its tree, type, segment and resection status as a plan wrote them.
std::map<int, std::array<int, 4>> attributesOf(const json& doc) {
    std::map<int, std::array<int, 4>> rows;
    for (const json& v : doc["vessels"]) {
        rows[v["id"]] = {v["tree"], v["type"], v["segment"], v["resection"]};
    }
    return rows;
}

TEST_F(PlanningForest, PointsActOnWhicheverTreeHoldsTheNearestVessel) {
    const Forest forest = readForest(results());
    ASSERT_EQ(forest.size(), 2u);
    const std::vector<planning::VesselEntry> entries = planning::flatten(forest);
    // In the second tree, the longest vessel with children, cut in its middle; in the first, a
    // child of the root gets segment 4; the second tree is declared portal at its root.
    const planning::VesselEntry* cut = nullptr;
    const planning::VesselEntry* child = nullptr;
    int maxId = 0, secondRoot = 0;
    for (const planning::VesselEntry& e : entries) {
        maxId = std::max(maxId, e.vessel->getId());
        if (e.tree == 1 && e.parent < 0) secondRoot = e.vessel->getId();
        if (e.tree == 1 && e.node->hasChildren() &&
            (cut == nullptr || e.vessel->getSize() > cut->vessel->getSize())) {
            cut = &e;
        }
        if (e.tree == 0 && e.depth == 1 && child == nullptr && e.vessel->getSize() > 2) child = &e;
    }
    ASSERT_TRUE(cut != nullptr && child != nullptr);
    ASSERT_GE(cut->vessel->getSize(), 5);
    const int cutId = cut->vessel->getId();
    const std::vector<std::pair<std::string, Vec3>> points = {
        {"cut", test::pointOn(forest, *grid, cutId, cut->vessel->getSize() / 2)},
        {"segment 4", test::pointOn(forest, *grid, child->vessel->getId(), 1)},
        {"portal", test::pointOn(forest, *grid, secondRoot, 0)}};

    // The same points as markups in RAS and in LPS, and as a CSV in LPS.
    std::ostringstream csv;
    csv << "x,y,z,action\n";
    for (const auto& [label, p] : points) {
        csv << p[0] << "," << p[1] << "," << p[2] << "," << label << "\n";
    }
    TempDir out;
    std::vector<json> docs;
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"ras.mrk.json", test::markups("RAS", points)},
             {"lps.mrk.json", test::markups("LPS", points)},
             {"lps.csv", csv.str()}}) {
        SCOPED_TRACE(name);
        test::writeFile(out / name, content);
        const ToolRun run = runTool(
            {"plan", results(), "--points", out / name, "--out", out / ("planned-" + name)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(": cut vessel " + std::to_string(cutId) + " of tree 2 from"),
                  std::string::npos)
            << run.out;
        // The summary takes every tree in turn, and the headline ends it.
        const std::size_t first = run.out.find("\n  tree 1: "),
                          second = run.out.find("\n  tree 2: ");
        EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second)
            << run.out;
        EXPECT_NE(run.out.find("\nresection: resected "), std::string::npos);
        docs.push_back(
            json::parse(test::readFile(out / ("planned-" + name + "/territories.json"))));
        EXPECT_EQ(docs.back()["vessels"], docs.front()["vessels"]);
    }
    const json& doc = docs.front();
    const std::string planned = out / "planned-ras.mrk.json";

    // The new part of the cut vessel takes the next id of the whole forest, in the second tree.
    const std::map<int, std::array<int, 4>> after = attributesOf(doc);
    const int newId = maxId + 1;
    ASSERT_EQ(after.size(), entries.size() + 1);
    ASSERT_EQ(after.count(newId), 1u);
    EXPECT_EQ(after.at(newId)[0], 2);
    const Forest plannedForest = readForest(planned);  // ids still unique across the trees
    ASSERT_EQ(plannedForest.size(), 2u);

    // Tree 1: untouched types, segment 4 on the child's subtree only, all remnant. Tree 2:
    // portal throughout, the cut part and its subtree resected.
    const std::map<int, std::array<int, 4>> before =
        attributesOf(json::parse(test::readFile(results() + "/territories.json")));
    std::set<int> resectedIds;
    unsigned long long resectedVoxels = 0, tissue = doc["tissue"]["voxels"], treeSum = 0;
    for (const json& v : doc["vessels"]) {
        const int id = v["id"];
        if (v["tree"] == 1) {
            EXPECT_EQ(v["resection"], 2) << id;
            EXPECT_EQ(v["type"], before.at(id)[1]) << id;
        } else {
            EXPECT_EQ(v["type"], 2) << id;
            EXPECT_EQ(v["segment"], 1) << id;
            if (v["resection"] == 3) resectedIds.insert(id);
        }
        if (id == newId) resectedVoxels = v["subtree_voxels"];
    }
    EXPECT_EQ(after.at(child->vessel->getId())[2], 4);
    EXPECT_EQ(after.at(entries.front().vessel->getId())[2], 1);
    EXPECT_GT(resectedIds.size(), 1u);
    EXPECT_EQ(resectedIds.count(cutId), 0u);
    for (const json& t : doc["totals"]["trees"]) treeSum += t["voxels"].get<unsigned long long>();
    EXPECT_EQ(treeSum, tissue);
    ASSERT_TRUE(doc["resection"].is_object());
    EXPECT_NEAR(doc["resection"]["resected_ml"].get<double>(),
                static_cast<double>(resectedVoxels) * grid->spacing[0] * grid->spacing[1] *
                    grid->spacing[2] / 1000.0,
                1e-9);

    // The resection volume says the same voxel for voxel, on the run's rotated grid.
    const Volume labels = readImage(planned + "/labels-resection.nrrd", "labels");
    EXPECT_EQ(geometryDifference(labels.geometry, *grid), "");
    std::map<int, unsigned long long> counts;
    const auto* values = static_cast<const std::uint16_t*>(labels.pic->data);
    for (unsigned long long i = 0; i < labels.geometry.voxelCount(); ++i) ++counts[values[i]];
    EXPECT_EQ(counts[3], resectedVoxels);
    EXPECT_EQ(counts[2], tissue - resectedVoxels);
}

TEST_F(PlanningForest, ResultsWhoseTreesDoNotFitAreRefused) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> damage;
        std::string message;
    } cases[] = {
        {"a missing tree file",
         [](const std::string& folder) { std::filesystem::remove(folder + "/tree-1.txt"); },
         "holds no tree file (tree-1.txt or tree.txt)"},
        {"a gap in the tree files",
         [](const std::string& folder) {
             std::filesystem::rename(folder + "/tree-2.txt", folder + "/tree-3.txt");
         },
         "tree-2.txt is missing"},
        {"an id in both trees",
         [](const std::string& folder) {
             std::filesystem::copy_file(folder + "/tree-1.txt", folder + "/tree-2.txt",
                                        std::filesystem::copy_options::overwrite_existing);
         },
         "appears twice in the trees of"},
        {"a vessel-ID volume without tissue",
         [](const std::string& folder) {
             Volume ids = readImage(folder + "/vessel-ids.nrrd", "ids");
             std::fill_n(static_cast<std::uint16_t*>(ids.pic->data), ids.geometry.voxelCount(), 0);
             writeImage(folder + "/vessel-ids.nrrd", ids);
         },
         "assigns no voxel to a vessel, so it holds no tissue to plan on"},
    };
    const Vec3 somewhere = grid->scaledIndexToWorld({10, 10, 10});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir copy;
        std::filesystem::copy(results(), copy / "results");
        c.damage(copy / "results");
        test::writeFile(copy / "p.mrk.json", test::markups("LPS", {{"cut", somewhere}}));
        const ToolRun run = runTool(
            {"plan", copy / "results", "--points", copy / "p.mrk.json", "--out", copy / "planned"});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace angiolith::tool
