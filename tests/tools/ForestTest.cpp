// Masks of several vessel systems, as real segmentations deliver them: every system its own
// tree, labels carried into vessel types, territories over all trees, and output folders that
// hold one run's files or none.
#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/TreeFile.h"

#include <angiolith/tree/TreeIterator.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace angiolith::tool {
namespace {

namespace fs = std::filesystem;
using test::runTool;
using test::TempDir;
using test::ToolRun;

// Two tiny phantoms side by side on one 64 x 32 x 32 grid: vessels labelled 1 (left) and 2
// (right), their livers as one tissue mask.
class Forest : public test::SharedFolderTest<Forest> {
protected:
    static void SetUpTestSuite() {
        SharedFolderTest::SetUpTestSuite();
        test::writeTwoSystems(shared().path(), "tiny");
    }
    static std::string vessels() { return shared() / "vessels.nrrd"; }
    static std::string liver() { return shared() / "liver.nrrd"; }
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
    const ToolRun run =
        runTool({"run", vessels(), "--tissue", liver(), "--by-label", "--out", out.path()});
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
    EXPECT_EQ(std::set<long>(vtp.treeId.begin(), vtp.treeId.end()), (std::set<long>{1, 2}));

    // relabel --labels type shows the systems.
    const ToolRun types = runTool({"relabel", out / "vessel-ids.nrrd", "--tree", out.path(),
                                   "--labels", "type", "--out", out.path(), "--quiet"});
    ASSERT_EQ(types.status, 0) << types.err;
    const Volume labels = readImage(out / "labels-type.nrrd", "labels");
    std::set<int> seen;
    for (unsigned i = 0; i < labels.geometry.voxelCount(); ++i) {
        seen.insert(static_cast<const std::uint16_t*>(labels.pic->data)[i]);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
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

TEST_F(Forest, AFailedOrInterruptedRunLeavesTheFolderAsItWas) {
    TempDir out;
    ASSERT_EQ(runTool({"run", vessels(), "--label", "1", "--out", out.path(), "--quiet"}).status,
              0);
    const std::string before = test::readFile(out / "tree-1.txt");
    // A folder where a file is to go: nothing moves, the error names it.
    fs::remove(out / "preview.png");
    fs::create_directory(out / "preview.png");
    const ToolRun blocked = runTool({"run", vessels(), "--out", out.path(), "--quiet"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err, "angiolith: error: cannot replace '" + (out / "preview.png") +
                               "': not a file; move it away and run again (nothing was written)\n");
    EXPECT_EQ(test::readFile(out / "tree-1.txt"), before);
    EXPECT_FALSE(fs::exists(out / "tree-2.txt"));

    // Terminated mid-run: the conventional status, and no staging folder left behind.
    TempDir big;
    ASSERT_EQ(test::makePhantom(big.path(), "medium").status, 0);
    const ToolRun interrupted =
        runTool({"run", big / "vessels.nii.gz", "--out", big / "r", "--quiet"}, 0.5);
    EXPECT_EQ(interrupted.status, 128 + 15) << interrupted.err;
    EXPECT_EQ(interrupted.err, "");
    EXPECT_FALSE(fs::exists(big / "r"));
}

// A vessel that runs into a ring (its trunk thick at the inflow end, so the ring closes a
// loop) and a speck far from both, in a box of tissue, as a touching segmentation leaves them.
void writeLoopAndSpeck(const std::string& vesselsPath, const std::string& tissuePath) {
    Volume vessels, tissue;
    vessels.geometry.size = tissue.geometry.size = {48, 40, 24};
    vessels.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, vessels.geometry.size);
    tissue.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, tissue.geometry.size);
    auto* v = static_cast<std::uint8_t*>(vessels.pic->data);
    auto* t = static_cast<std::uint8_t*>(tissue.pic->data);
    for (int z = 0, i = 0; z < 24; ++z) {
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 48; ++x, ++i) {
                const bool trunk =
                    x >= 2 && x <= 24 && std::hypot(y - 20, z - 12) <= (x < 10 ? 3.0 : 2.0);
                const double ring = std::hypot(std::hypot(x - 33, y - 20) - 9, z - 12);
                const bool speck = x >= 44 && x <= 45 && y >= 2 && y <= 3 && z >= 2 && z <= 3;
                v[i] = trunk || ring <= 2.0 || speck ? 1 : 0;
                t[i] = x > 0 && y > 0 && z > 0 ? 1 : 0;
            }
        }
    }
    writeImage(vesselsPath, vessels);
    writeImage(tissuePath, tissue);
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
    writeLoopAndSpeck(dir / "vessels.nii.gz", dir / "liver.nii.gz");
    // A tissue mask that holds the trunk's first voxels only, as a mask of another case would.
    Volume corner = readImage(dir / "liver.nii.gz", "tissue");
    for (unsigned i = 0; i < corner.geometry.voxelCount(); ++i) {
        if (i % 48 >= 6) static_cast<std::uint8_t*>(corner.pic->data)[i] = 0;
    }
    writeImage(dir / "corner.nii.gz", corner);
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
         {"--min-part", "1", "--relevance", "0.9"},
         {"clean: 1 loop where vessels touch: 0 kept, 1 broken by the cleaning "
          "(--preserve-cycles keeps them)"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{
            "run", dir / "vessels.nii.gz", "--tissue", dir / c.tissue, "--out", dir / "r"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(args.back());
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(printedWarnings(run.out), c.warnings) << run.out;
        // The tree grows from the trunk's thick end (the inflow), not from the ring.
        const std::vector<ArVesselTree> trees = readForest(dir / "r");
        ar<TreeIterator<ar<Vessel>>> root = trees.front()->preorderIterator();
        EXPECT_LT(root->next()->getElement(0).position.x, 10.0f);
        // The run's records hold the same lines, also when the terminal was kept quiet.
        args.push_back("--quiet");
        ASSERT_EQ(runTool(args).status, 0);
        const auto document = nlohmann::json::parse(test::readFile(dir / "r/territories.json"));
        EXPECT_EQ(document["warnings"].get<std::vector<std::string>>(), c.warnings);
        const std::string report = test::readFile(dir / "r/report.html");
        for (const std::string& warning : c.warnings) {
            EXPECT_NE(report.find(nlohmann::json(warning).dump()), std::string::npos) << warning;
        }
    }
}

}  // namespace
}  // namespace angiolith::tool
