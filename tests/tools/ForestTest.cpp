// Masks of several vessel systems, as real segmentations deliver them, on a grid that is rotated
// and moved in the world as a scanner writes it: every system its own tree, labels carried into
// vessel types, territories and their quantities over all trees, plans whose points act on
// whichever tree they lie on, warnings in every record of a run, and output folders that hold
// one run's files or none.
#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/UserError.h"
#include "cli/planning/ForestWalk.h"
#include "cli/planning/ResultsFolder.h"
#include "support/Errors.h"

#include <angiolith/tree/TreeIterator.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace angiolith::tool {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::runTool;
using test::TempDir;
using test::ToolRun;

json readJson(const std::string& path) { return json::parse(test::readFile(path)); }

// Two phantoms of @p size ("tiny", 32 voxels a side, or "small", 64) side by side along x on
// one grid of twice the width, written by the program as a user would: @p folder/vessels.nrrd
// (vessels labelled 1 on the left, 2 on the right: two vessel systems) and liver.nrrd (their
// livers as one tissue mask), with the direction and origin of @p frame (its size and spacing
// are set here).
void writeTwoSystems(const std::string& folder, const std::string& size, Geometry frame = {}) {
    const unsigned side = size == "tiny" ? 32 : 64;
    std::filesystem::create_directories(folder);
    Volume vessels, liver;
    for (unsigned part = 0; part < 2; ++part) {
        const std::string made = folder + "/p" + std::to_string(part);
        const test::ToolRun run =
            test::makePhantom(made, size, {"--seed", std::to_string(part + 2)});
        if (run.status != 0) throw std::runtime_error("phantom failed: " + run.err);
        const Volume v = readImage(made + "/vessels.nii.gz", "vessels");
        const Volume l = readImage(made + "/liver.nii.gz", "liver");
        if (part == 0) {
            frame.size = {2 * side, side, side};
            frame.spacing = v.geometry.spacing;
            vessels.geometry = liver.geometry = frame;
            vessels.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, frame.size);
            liver.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, frame.size);
        }
        const auto* from = static_cast<const std::uint8_t*>(v.pic->data);
        const auto* tissue = static_cast<const std::uint8_t*>(l.pic->data);
        auto* to = static_cast<std::uint8_t*>(vessels.pic->data);
        auto* toTissue = static_cast<std::uint8_t*>(liver.pic->data);
        for (unsigned i = 0; i < side * side * side; ++i) {
            const unsigned at = (i / side) * 2 * side + i % side + side * part;
            if (from[i] != 0) to[at] = static_cast<std::uint8_t>(1 + part);
            toTissue[at] = tissue[i];
        }
        std::filesystem::remove_all(made);
    }
    writeImage(folder + "/vessels.nrrd", vessels);
    writeImage(folder + "/liver.nrrd", liver);
}

// World (LPS) position on @p grid of sample @p sample of vessel @p id of @p trees (a test
// failure when no vessel has that id).
Vec3 pointOn(const std::vector<ArVesselTree>& trees, const Geometry& grid, int id, int sample) {
    for (const planning::VesselEntry& e : planning::flatten(trees)) {
        if (e.vessel->getId() != id) continue;
        const auto& p = e.vessel->getElementsList()[static_cast<std::size_t>(sample)].position;
        return grid.scaledIndexToWorld({p.x, p.y, p.z});
    }
    ADD_FAILURE() << "no vessel " << id;
    return {};
}

// Two tiny phantoms side by side on one 64 x 32 x 32 grid: vessels labelled 1 (left) and 2
// (right), their livers as one tissue mask.
class Forest : public test::SharedFolderTest<Forest> {
protected:
    static void SetUpTestSuite() {
        SharedFolderTest::SetUpTestSuite();
        writeTwoSystems(shared().path(), "tiny");
    }
    static std::string vessels() { return shared() / "vessels.nrrd"; }
    static std::string liver() { return shared() / "liver.nrrd"; }
};

// The same with small phantoms (128 x 64 x 64) on a grid turned by 90 degrees about z and
// moved, run once with a tree per label; the tests plan on its results.
class PlanningForest : public test::SharedFolderTest<PlanningForest> {
protected:
    static void SetUpTestSuite() {
        SharedFolderTest::SetUpTestSuite();
        Geometry frame;
        frame.direction = {Vec3{0, -1, 0}, Vec3{1, 0, 0}, Vec3{0, 0, 1}};
        frame.origin = {-40, 25, 7};
        writeTwoSystems(shared() / "masks", "small", frame);
        const ToolRun run =
            runTool({"run", shared() / "masks/vessels.nrrd", "--tissue",
                     shared() / "masks/liver.nrrd", "--by-label", "--out", results(), "--quiet"});
        ASSERT_EQ(run.status, 0) << run.err;
        grid = readImage(results() + "/vessel-ids.nrrd", "ids").geometry;
    }
    static std::string results() { return shared() / "results"; }
    static double voxelMl() { return grid.spacing[0] * grid.spacing[1] * grid.spacing[2] / 1000; }

    static inline Geometry grid;
};

// The vessel types and ids of each tree file in @p folder, tree by tree.
std::vector<std::pair<std::set<int>, std::set<int>>> typesAndIds(const std::string& folder) {
    std::vector<std::pair<std::set<int>, std::set<int>>> trees;
    for (const ArVesselTree& tree : readForest(folder)) {
        trees.emplace_back();
        ar<TreeIterator<ar<Vessel>>> it = tree->preorderIterator();
        while (it->hasNext()) {
            ar<Vessel> vessel = it->next();
            trees.back().first.insert(vessel->getProperties().type);
            trees.back().second.insert(vessel->getId());
        }
    }
    return trees;
}

TEST_F(Forest, EverySystemBecomesATreeAndAllTreesShareTheTissue) {
    TempDir out;
    const ToolRun run = runTool({"run", vessels(), "--tissue", liver(), "--by-label", "--labels",
                                 "type", "--out", out.path()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("extract: done in"), std::string::npos);
    EXPECT_NE(run.out.find("(2 trees, "), std::string::npos) << run.out;
    const auto trees = typesAndIds(out.path());
    ASSERT_EQ(trees.size(), 2u);
    // Each tree carries its label as vessel type; ids are unique across the trees.
    EXPECT_EQ(trees[0].first.size(), 1u);
    EXPECT_EQ(trees[1].first.size(), 1u);
    EXPECT_NE(*trees[0].first.begin(), *trees[1].first.begin());
    for (int id : trees[0].second) EXPECT_EQ(trees[1].second.count(id), 0u) << id;

    // Both trees supply tissue: the left half from one, the right half from the other.
    const Volume ids = readImage(out / "vessel-ids.nrrd", "ids");
    const auto* values = static_cast<const std::uint16_t*>(ids.pic->data);
    std::set<int> left, right;
    for (unsigned i = 0; i < ids.geometry.voxelCount(); ++i) {
        if (values[i] != 0) (i % 64 < 32 ? left : right).insert(values[i]);
    }
    for (const auto* half : {&left, &right}) {
        ASSERT_FALSE(half->empty());
        const bool inFirst = trees[0].second.count(*half->begin()) != 0;
        for (int id : *half) EXPECT_EQ(trees[inFirst ? 0 : 1].second.count(id), 1u) << id;
    }
    const test::VtpContent vtp = test::parseVtp(test::readFile(out / "tree.vtp"));
    const std::vector<double>& treeIds = vtp.arrays.at("treeId");
    EXPECT_EQ(std::set<double>(treeIds.begin(), treeIds.end()), (std::set<double>{1, 2}));

    // Labels by type show the systems.
    const Volume labels = readImage(out / "labels-type.nrrd", "labels");
    std::set<int> seen;
    for (unsigned i = 0; i < labels.geometry.voxelCount(); ++i) {
        seen.insert(static_cast<const std::uint16_t*>(labels.pic->data)[i]);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
}

TEST_F(PlanningForest, RunQuantitiesAddUpExactlyInVoxels) {
    const json doc = readJson(results() + "/territories.json");
    const unsigned long long tissue = doc["tissue"]["voxels"];
    EXPECT_EQ(tissue, countNonZero(*readImage(shared() / "masks/liver.nrrd", "liver").pic));
    EXPECT_NEAR(doc["tissue"]["volume_ml"].get<double>(), tissue * voxelMl(), 1e-9);

    // A parent's subtree is its own part plus its children's subtrees, voxel for voxel; a
    // root's subtree is its tree's part, and the trees' parts make up the tissue.
    std::map<int, unsigned long long> childSum, own, subtree;
    unsigned long long ownTotal = 0, treeTotal = 0;
    for (const json& v : doc["vessels"]) {
        const int id = v["id"];
        own[id] = v["own_voxels"];
        subtree[id] = v["subtree_voxels"];
        ownTotal += own[id];
        if (!v["parent"].is_null()) {
            childSum[v["parent"].get<int>()] += subtree[id];
        } else {
            EXPECT_EQ(v["subtree_voxels"],
                      doc["totals"]["trees"][v["tree"].get<int>() - 1]["voxels"]);
        }
    }
    ASSERT_GT(own.size(), 10u);
    for (const auto& [id, voxels] : subtree) EXPECT_EQ(voxels, own[id] + childSum[id]) << id;
    EXPECT_EQ(ownTotal, tissue);
    for (const json& t : doc["totals"]["trees"]) treeTotal += t["voxels"].get<unsigned long long>();
    EXPECT_EQ(treeTotal, tissue);

    // The CSV carries the same rows under the same column names.
    std::istringstream csv(test::readFile(results() + "/territories.csv"));
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.rfind("tree,id,parent,type,segment,resection,length_mm,", 0), 0u);
    std::size_t rows = 0;
    for (std::string line; std::getline(csv, line) && !line.empty();) ++rows;
    EXPECT_EQ(rows, doc["vessels"].size());
}

// Per vessel id: its tree, type, segment and resection status as a plan wrote them.
std::map<int, std::array<int, 4>> attributesOf(const json& doc) {
    std::map<int, std::array<int, 4>> rows;
    for (const json& v : doc["vessels"]) {
        rows[v["id"]] = {v["tree"], v["type"], v["segment"], v["resection"]};
    }
    return rows;
}

// A markups file in RAS: in the first tree, a cut at the root (the whole tree resected) and
// segment 4 on a child of the root; in the second tree, the longest vessel with children cut
// in its middle, and the tree declared portal at its root.
TEST_F(PlanningForest, PointsActOnWhicheverTreeHoldsTheNearestVessel) {
    const std::vector<ArVesselTree> forest = readForest(results());
    ASSERT_EQ(forest.size(), 2u);
    const std::vector<planning::VesselEntry> entries = planning::flatten(forest);
    const planning::VesselEntry* cut = nullptr;
    const planning::VesselEntry* child = nullptr;
    int maxId = 0, secondRoot = 0;
    const int firstRoot = entries.front().vessel->getId();
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
    const int cutId = cut->vessel->getId(), childId = child->vessel->getId();
    TempDir out;
    // Named in Latin-1 ("\xfc" is not UTF-8), as an older system saves files.
    const std::string points = out / "pl\xfcn.mrk.json";
    test::writeFile(
        points,
        test::markups("RAS", {{"cut", pointOn(forest, grid, firstRoot, 0)},
                              {"cut", pointOn(forest, grid, cutId, cut->vessel->getSize() / 2)},
                              {"segment 4", pointOn(forest, grid, childId, 1)},
                              {"portal", pointOn(forest, grid, secondRoot, 0)}}));
    const ToolRun run = runTool({"plan", results(), "--points", points, "--out", out / "planned"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& printed = run.out;
    const json doc = readJson(out / "planned/territories.json");
    EXPECT_EQ(doc["inputs"]["points"], out / "pl\xef\xbf\xbdn.mrk.json");
    EXPECT_NE(printed.find(": cut vessel " + std::to_string(cutId) + " of tree 2 from"),
              std::string::npos)
        << printed;
    // The summary takes every tree in turn, and the headline ends it.
    const std::size_t first = printed.find("\n  tree 1: "), second = printed.find("\n  tree 2: ");
    EXPECT_TRUE(first != std::string::npos && second != std::string::npos && first < second)
        << printed;
    EXPECT_NE(printed.find("\nresection: resected "), std::string::npos);

    // Each point acted where it lies: the cut vessel's new part takes the next id of the whole
    // forest and is resected, in the portal second tree; the first tree is resected throughout,
    // the child's subtree with segment 4.
    const std::map<int, std::array<int, 4>> after = attributesOf(doc);
    const int newId = maxId + 1;
    ASSERT_EQ(after.size(), entries.size() + 1);
    ASSERT_EQ(after.count(newId), 1u);
    EXPECT_EQ(after.at(newId), (std::array<int, 4>{2, 2, 1, 3}));
    EXPECT_EQ(after.at(secondRoot), (std::array<int, 4>{2, 2, 1, 2}));
    EXPECT_EQ(after.at(childId)[2], 4);
    EXPECT_EQ(after.at(childId)[3], 3);
    unsigned long long resected = doc["totals"]["trees"][0]["voxels"], resectedTotal = 0;
    for (const json& v : doc["vessels"]) {
        if (v["id"] == newId) resected += v["subtree_voxels"].get<unsigned long long>();
    }
    for (const json& t : doc["totals"]["resection"]) {
        if (t["resection"] == 3) resectedTotal = t["voxels"];
    }
    EXPECT_EQ(resectedTotal, resected);
    const unsigned long long tissue = doc["tissue"]["voxels"];
    ASSERT_TRUE(doc["resection"].is_object());
    EXPECT_NEAR(doc["resection"]["resected_ml"].get<double>(), resected * voxelMl(), 1e-9);
    EXPECT_NEAR(doc["resection"]["remnant_ml"].get<double>(), (tissue - resected) * voxelMl(),
                1e-9);

    // The resection volume says the same voxel for voxel, on the run's rotated grid.
    const Volume labels = readImage(out / "planned/labels-resection.nrrd", "labels");
    EXPECT_EQ(geometryDifference(labels.geometry, grid), "");
    std::map<int, unsigned long long> counts;
    const auto* values = static_cast<const std::uint16_t*>(labels.pic->data);
    for (unsigned long long i = 0; i < labels.geometry.voxelCount(); ++i) ++counts[values[i]];
    EXPECT_EQ(counts[3], resected);
    EXPECT_EQ(counts[2], tissue - resected);

    // The report shows the same document, headline included, and a centre line per row; the
    // centre lines carry the planning arrays.
    const json data = test::reportData(test::readFile(out / "planned/report.html"));
    EXPECT_EQ(data["territories"], doc);
    EXPECT_EQ(data["vessels"].size(), doc["vessels"].size());
    const std::string vtp = test::readFile(out / "planned/tree.vtp");
    for (const char* array : {"segment", "type", "resection", "subtreeMl", "treeId"}) {
        EXPECT_NE(vtp.find(std::string("Name=\"") + array + "\""), std::string::npos) << array;
    }
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir copy;
        std::filesystem::copy(results(), copy / "results");
        c.damage(copy / "results");
        const std::string message =
            angiolith::test::messageOf<UserError>([&] { planning::readResults(copy / "results"); });
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

TEST_F(Forest, StartsLabelsAndMinPartChooseTheTrees) {
    TempDir out;
    struct Case {
        std::vector<std::string> options;
        int status;
        std::size_t trees;
        std::string message;
    } cases[] = {
        {{}, 0, 2, ""},
        {{"--label", "2"}, 0, 1, ""},
        {{"--min-part", "100000"}, 2, 0, "every part was left out (2 parts of "},
        {{"--label", "7"}, 2, 0, "has no voxel of label 7 (its labels: 1, 2)"},
        {{"--label", "1", "--by-label"}, 2, 0, "--label and --by-label exclude each other"},
        {{"--start", "5,5,5", "--start", "6,6,6"}, 2, 0, "fall on the same vessel tree"},
        {{"--start", "5,5,5", "--start", "60,5,5"}, 0, 2, ""},
        {{"--relevance", "1"}, 2, 0, "--relevance needs a number from 0 up to"},
        {{"--out", "--quiet"}, 2, 0, "--out needs a value (DIR) before --quiet"},
        {{"--min-part", "3", "--min-part", "4"}, 2, 0, "--min-part is given twice"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"run", vessels(), "--out", out / "r", "--quiet"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(args.back());
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status == 0) {
            // A rerun with fewer trees leaves no tree file of the earlier run behind.
            EXPECT_EQ(readForest(out / "r").size(), c.trees);
            EXPECT_FALSE(fs::exists(out / ("r/" + treeFileName(c.trees + 1))));
        } else {
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        }
    }
}

TEST_F(Forest, AFailedOrInterruptedCommandLeavesTheFolderAsItWas) {
    // A folder where a file is to go: nothing moves, the error names it.
    TempDir out;
    test::writeFile(out / "distance-field.nrrd", "earlier");
    fs::create_directory(out / "skeleton.nrrd");
    const ToolRun blocked = runTool({"skeletonize", vessels(), "--out", out.path(), "--quiet"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err, "angiolith: error: cannot replace '" + (out / "skeleton.nrrd") +
                               "': not a file; move it away and run again (nothing was written)\n");
    EXPECT_EQ(test::readFile(out / "distance-field.nrrd"), "earlier");

    // Terminated mid-run, once its staging folder exists: the conventional status, and no
    // staging folder left behind.
    TempDir big;
    ASSERT_EQ(test::makePhantom(big.path(), "medium").status, 0);
    const ToolRun interrupted =
        runTool({"run", big / "vessels.nii.gz", "--out", big / "r", "--quiet"},
                big / "r/.angiolith-staging-*");
    EXPECT_EQ(interrupted.status, 128 + 15) << interrupted.err;
    EXPECT_EQ(interrupted.err, "");
    EXPECT_FALSE(fs::exists(big / "r"));
}

// A vessel that runs into a ring (its trunk thick at the inflow end, so the ring closes a
// loop) and a speck far from both, in a box of tissue, as a touching segmentation leaves them;
// and a tissue mask that holds the trunk's first voxels only, as a mask of another case would.
void writeLoopAndSpeck(const TempDir& dir) {
    Volume vessels, tissue, corner;
    vessels.geometry.size = tissue.geometry.size = corner.geometry.size = {48, 40, 24};
    vessels.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, vessels.geometry.size);
    tissue.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, tissue.geometry.size);
    corner.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, corner.geometry.size);
    auto* v = static_cast<std::uint8_t*>(vessels.pic->data);
    auto* t = static_cast<std::uint8_t*>(tissue.pic->data);
    auto* c = static_cast<std::uint8_t*>(corner.pic->data);
    for (int z = 0, i = 0; z < 24; ++z) {
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 48; ++x, ++i) {
                const bool trunk =
                    x >= 2 && x <= 24 && std::hypot(y - 20, z - 12) <= (x < 10 ? 3.0 : 2.0);
                const double ring = std::hypot(std::hypot(x - 33, y - 20) - 9, z - 12);
                const bool speck = x >= 44 && x <= 45 && y >= 2 && y <= 3 && z >= 2 && z <= 3;
                v[i] = trunk || ring <= 2.0 || speck ? 1 : 0;
                t[i] = x > 0 && y > 0 && z > 0 ? 1 : 0;
                c[i] = x < 6 ? t[i] : 0;
            }
        }
    }
    writeImage(dir / "vessels.nii.gz", vessels);
    writeImage(dir / "liver.nii.gz", tissue);
    writeImage(dir / "corner.nii.gz", corner);
}

// Every warning line the run prints ("stage: warning: text"), as "stage: text".
std::vector<std::string> printedWarnings(const std::string& out) {
    std::vector<std::string> warnings;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(": warning: ");
        if (at != std::string::npos) warnings.push_back(line.erase(at + 2, 9));
    }
    return warnings;
}

TEST(RunWarnings, ReachTerritoriesJsonAndTheReportInTheWordsOfTheProgressLines) {
    TempDir dir;
    writeLoopAndSpeck(dir);
    struct Case {
        std::string tissue;
        std::vector<std::string> options;
        std::vector<std::string> warnings;
    } cases[] = {
        {"corner.nii.gz",
         {"--min-part", "1", "--preserve-cycles"},
         {"clean: 1 loop where vessels touch: 1 kept (--preserve-cycles)",
          "territories: 68 of 69 centre-line samples lie outside the tissue mask; check that the "
          "vessel and tissue masks belong to one case"}},
        {"liver.nii.gz",
         {"--preserve-cycles"},
         {"extract: left out 1 part of 2 voxels below --min-part 5",
          "clean: 1 loop where vessels touch: 1 kept (--preserve-cycles)"}},
        {"liver.nii.gz",
         {"--min-part", "1", "--relevance", "0.9", "--quiet"},
         {"clean: 1 loop where vessels touch: 0 kept, 1 broken by the cleaning "
          "(--preserve-cycles keeps them)"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{
            "run", dir / "vessels.nii.gz", "--tissue", dir / c.tissue, "--out", dir / "r"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(testing::PrintToString(c.options));
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const bool quiet = c.options.back() == "--quiet";
        EXPECT_EQ(printedWarnings(run.out), quiet ? std::vector<std::string>{} : c.warnings);
        // The tree grows from the trunk's thick end (the inflow), not from the ring.
        const std::vector<ArVesselTree> trees = readForest(dir / "r");
        ar<TreeIterator<ar<Vessel>>> root = trees.front()->preorderIterator();
        EXPECT_LT(root->next()->getElement(0).position.x, 10.0f);
        // The run's records hold the same lines, also when the terminal was kept quiet.
        const auto document = nlohmann::json::parse(test::readFile(dir / "r/territories.json"));
        EXPECT_EQ(document["warnings"].get<std::vector<std::string>>(), c.warnings);
    }
}

}  // namespace
}  // namespace angiolith::tool
