// The planning workflow on the phantom: the quantities of 'run' and what 'plan' makes of points.
#include "ToolTestSupport.h"
#include "cli/Geometry.h"
#include "cli/ImageIO.h"
#include "cli/TreeFile.h"
#include "cli/planning/ForestWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
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

json readJson(const std::string& path) { return json::parse(test::readFile(path)); }

// One small phantom with an origin, run once; the tests plan on its results.
class Planning : public test::SharedRunTest<Planning> {
protected:
    static void SetUpTestSuite() {
        SharedRunTest::SetUpTestSuite();
        ASSERT_EQ(test::makePhantom(shared() / "ph", "small", {"--origin", "10,-20,5"}).status, 0);
        runOnce({"run", shared() / "ph/vessels.nii.gz", "--tissue", shared() / "ph/liver.nii.gz"},
                "vessel-ids.nii.gz");
    }

    static Vec3 pointOn(const ArVesselTree& tree, int id, int sample, double towardsNext = 0) {
        return test::pointOn({tree}, *grid, id, sample, towardsNext);
    }

    // Runs plan on the results with the points file @p content; returns territories.json.
    static json plan(const std::string& name, const std::string& content, const TempDir& out) {
        test::writeFile(out / name, content);
        const ToolRun run = runTool(
            {"plan", results(), "--points", out / name, "--out", out / "planned", "--quiet"});
        EXPECT_EQ(run.status, 0) << run.err;
        return readJson(out / "planned/territories.json");
    }
};

TEST_F(Planning, RunQuantitiesAddUpExactlyInVoxels) {
    const json doc = readJson(results() + "/territories.json");
    const Volume liver = readImage(shared() / "ph/liver.nii.gz", "liver");
    EXPECT_EQ(doc["tissue"]["voxels"].get<unsigned long long>(), countNonZero(*liver.pic));
    EXPECT_DOUBLE_EQ(doc["tissue"]["volume_ml"].get<double>(),
                     static_cast<double>(countNonZero(*liver.pic)) / 1000.0);

    // A parent's subtree is its own part plus its children's subtrees, voxel for voxel.
    std::map<int, unsigned long long> childSum, own, subtree;
    unsigned long long ownTotal = 0;
    for (const json& v : doc["vessels"]) {
        const int id = v["id"];
        own[id] = v["own_voxels"];
        subtree[id] = v["subtree_voxels"];
        ownTotal += own[id];
        if (!v["parent"].is_null()) childSum[v["parent"].get<int>()] += subtree[id];
    }
    ASSERT_GT(own.size(), 10u);
    for (const auto& [id, voxels] : subtree) EXPECT_EQ(voxels, own[id] + childSum[id]) << id;
    EXPECT_EQ(ownTotal, doc["tissue"]["voxels"].get<unsigned long long>());
    EXPECT_EQ(doc["totals"]["trees"][0]["voxels"], doc["tissue"]["voxels"]);
    EXPECT_EQ(doc["vessels"][0]["subtree_voxels"], doc["tissue"]["voxels"]);

    // The CSV carries the same rows under the same column names.
    std::istringstream csv(test::readFile(results() + "/territories.csv"));
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.rfind("tree,id,parent,type,segment,resection,length_mm,", 0), 0u);
    std::size_t rows = 0;
    for (std::string line; std::getline(csv, line) && !line.empty();) ++rows;
    EXPECT_EQ(rows, doc["vessels"].size());
}

TEST_F(Planning, CutsResectWhatLiesDownstream) {
    const ArVesselTree tree = readTreeFile(results() + "/tree-1.txt");
    const json before = readJson(results() + "/territories.json");
    // A leaf with at least two samples, and its own voxels before the cut.
    int leaf = 0;
    unsigned long long leafVoxels = 0;
    for (const planning::VesselEntry& e : planning::flatten({tree})) {
        if (!e.node->hasChildren() && e.vessel->getSize() >= 2) leaf = e.vessel->getId();
    }
    for (const json& v : before["vessels"]) {
        if (v["id"] == leaf) leafVoxels = v["own_voxels"];
    }
    ASSERT_GT(leafVoxels, 0u);
    const int root = before["vessels"][0]["id"];
    const unsigned long long tissue = before["tissue"]["voxels"];

    struct Case {
        const char* what;
        Vec3 point;
        unsigned long long resected;
    } cases[] = {{"at the root", pointOn(tree, root, 0), tissue},
                 // Nearer the leaf's first sample than its second: the whole leaf.
                 {"at a leaf", pointOn(tree, leaf, 0, 0.3), leafVoxels}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir out;
        std::ostringstream csv;
        csv << "x,y,z,action\n" << c.point[0] << "," << c.point[1] << "," << c.point[2] << ",cut\n";
        const json doc = plan("cut.csv", csv.str(), out);
        unsigned long long resected = 0;
        for (const json& t : doc["totals"]["resection"]) {
            if (t["resection"] == 3) resected = t["voxels"];
        }
        EXPECT_EQ(resected, c.resected);
        ASSERT_TRUE(doc["resection"].is_object());
        EXPECT_NEAR(doc["resection"]["resected_ml"].get<double>(), c.resected / 1000.0, 1e-9);
        EXPECT_NEAR(doc["resection"]["remnant_ml"].get<double>(), (tissue - c.resected) / 1000.0,
                    1e-9);

        // The report shows the same document, headline included, and a centre line per row.
        const json data = test::reportData(test::readFile(out / "planned/report.html"));
        EXPECT_EQ(data["territories"], doc);
        EXPECT_EQ(data["vessels"].size(), doc["vessels"].size());
    }
}

TEST_F(Planning, MarkupsInRasAndLpsGiveTheSamePlan) {
    const ArVesselTree tree = readTreeFile(results() + "/tree-1.txt");
    const json before = readJson(results() + "/territories.json");
    // segment 2 at the root, segment 5 on a child of the root (deeper, so it wins there), and a
    // cut in the middle of the longest vessel.
    const json& vessels = before["vessels"];
    const int root = vessels[0]["id"];
    int child = 0, longest = 0;
    double length = 0;
    for (const json& v : vessels) {
        if (v["parent"] == root && child == 0) child = v["id"];
        if (v["length_mm"].get<double>() > length) {
            length = v["length_mm"];
            longest = v["id"];
        }
    }
    int middle = 0;
    for (const planning::VesselEntry& e : planning::flatten({tree})) {
        if (e.vessel->getId() == longest) middle = e.vessel->getSize() / 2;
    }
    const std::vector<std::pair<std::string, Vec3>> points = {
        {"segment 5", pointOn(tree, child, 1)},
        {"segment 2", pointOn(tree, root, 0)},
        {"cut", pointOn(tree, longest, middle)}};
    TempDir lps, ras;
    const json a = plan("plan.mrk.json", test::markups("LPS", points), lps);
    const json b = plan("plan.mrk.json", test::markups("RAS", points), ras);
    EXPECT_EQ(a["vessels"], b["vessels"]);
    EXPECT_EQ(test::readFile(lps / "planned/tree-1.txt"),
              test::readFile(ras / "planned/tree-1.txt"));
    // One vessel more (the cut one was split), the deeper segment wins on its subtree.
    EXPECT_EQ(a["vessels"].size(), vessels.size() + 1);
    std::set<int> segments;
    for (const json& v : a["vessels"]) segments.insert(v["segment"].get<int>());
    EXPECT_EQ(segments, (std::set<int>{2, 5}));
    EXPECT_EQ(a["vessels"][0]["segment"], 2);
    EXPECT_TRUE(a["resection"].is_object());
}

TEST_F(Planning, SegmentationFileReadsBackWithNamesAndLabelValues) {
    const ArVesselTree tree = readTreeFile(results() + "/tree-1.txt");
    const json before = readJson(results() + "/territories.json");
    const int child = before["vessels"][1]["id"];
    TempDir out;
    plan("plan.mrk.json",
         test::markups("LPS", {{"segment 2", pointOn(tree, before["vessels"][0]["id"], 0)},
                               {"segment 7", pointOn(tree, child, 1)}}),
         out);
    const std::string path = out / "planned/labels-segment.seg.nrrd";
    const std::string text = test::readFile(path);
    const std::string header = text.substr(0, text.find("\n\n"));
    std::map<std::string, std::string> fields;
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(":=");
        if (at != std::string::npos) fields[line.substr(0, at)] = line.substr(at + 2);
    }
    EXPECT_EQ(fields["Segment0_Name"], "segment 2");
    EXPECT_EQ(fields["Segment0_LabelValue"], "2");
    EXPECT_EQ(fields["Segment1_Name"], "segment 7");
    EXPECT_EQ(fields["Segment1_LabelValue"], "7");
    EXPECT_EQ(fields["Segment1_Layer"], "0");
    EXPECT_EQ(fields.count("Segment2_Name"), 0u);
    EXPECT_EQ(fields["Segmentation_MasterRepresentation"], "Binary labelmap");

    // The voxels hold exactly those label values, on the grid of the run.
    const Volume labels = readImage(path, "segmentation");
    EXPECT_EQ(geometryDifference(labels.geometry, *grid), "");
    std::set<int> values;
    const auto* v = static_cast<const std::uint8_t*>(labels.pic->data);
    for (unsigned long long i = 0; i < labels.geometry.voxelCount(); ++i) values.insert(v[i]);
    EXPECT_EQ(values, (std::set<int>{0, 2, 7}));
    EXPECT_NE(test::readFile(out / "planned/labels-segment.ctbl").find("\n7 segment_7 "),
              std::string::npos);
    // The centre lines carry the planning arrays.
    const std::string vtp = test::readFile(out / "planned/tree.vtp");
    for (const char* array : {"segment", "type", "resection", "subtreeMl", "treeId"}) {
        EXPECT_NE(vtp.find(std::string("Name=\"") + array + "\""), std::string::npos) << array;
    }
}

TEST_F(Planning, PointFilesAsEditorsSaveThemGiveThePlainPlan) {
    const ArVesselTree tree = readTreeFile(results() + "/tree-1.txt");
    const int root = readJson(results() + "/territories.json")["vessels"][0]["id"];
    const Vec3 on = pointOn(tree, root, 1);
    std::ostringstream line;
    line << on[0] << "," << on[1] << "," << on[2] << ",segment 6";
    // A point list with a point still to be placed (saved at 0,0,0), which is left out.
    json unplaced = json::parse(test::markups("RAS", {{"segment 6", on}, {"F-2", {0, 0, 0}}}));
    unplaced["markups"][0]["controlPoints"][1]["positionStatus"] = "undefined";
    TempDir plain, bom, withUnplaced, latin1;
    const json expected = plan("p.csv", "x,y,z,action\n" + line.str() + "\n", plain);
    // A file named in Latin-1 ("\xfc" is not UTF-8): its name is written with U+FFFD.
    const json named = plan("pl\xfcn.csv", "x,y,z,action\n" + line.str() + "\n", latin1);
    EXPECT_EQ(named["vessels"], expected["vessels"]);
    EXPECT_EQ(named["inputs"]["points"], latin1 / "pl\xef\xbf\xbdn.csv");
    // A spreadsheet's CSV: byte order mark, CRLF line ends.
    EXPECT_EQ(plan("p.csv", "\xEF\xBB\xBFx,y,z,action\r\n" + line.str() + "\r\n", bom)["vessels"],
              expected["vessels"]);
    const json doc = plan("p.mrk.json", unplaced.dump(), withUnplaced);
    EXPECT_EQ(doc["vessels"], expected["vessels"]);
    ASSERT_FALSE(doc["warnings"].empty());
    EXPECT_NE(doc["warnings"][0].get<std::string>().find(
                  "point 'F-2' of '" + (withUnplaced / "p.mrk.json") +
                  "' is not placed (positionStatus \"undefined\"): left out"),
              std::string::npos);
}

TEST_F(Planning, BadPointsGetOneLineErrors) {
    const ArVesselTree tree = readTreeFile(results() + "/tree-1.txt");
    const Vec3 on = pointOn(tree, readJson(results() + "/territories.json")["vessels"][0]["id"], 0);
    std::ostringstream far;
    far << on[0] + 30 << "," << on[1] << "," << on[2] << ",cut\n";
    std::ostringstream onLine;
    onLine << on[0] << "," << on[1] << "," << on[2];
    json noFrame = json::parse(test::markups("", {{"cut", on}}));
    json otherFrame = json::parse(test::markups("LPS", {{"cut", on}}));
    otherFrame["markups"][0]["coordinateSystem"] = "IJK";
    json curve = json::parse(test::markups("LPS", {{"cut", on}}));
    curve["markups"][0]["type"] = "Curve";
    struct Case {
        const char* file;
        std::string content;
        std::string message;
        std::string more = "";  // a second part of the message, after the first
    } cases[] = {
        {"far.csv", far.str(), "point 'line 1' at ",
         " mm from the nearest centre line, farther than --max-distance 5.0 mm; place it on a "
         "vessel"},
        {"action.csv", onLine.str() + ",remove\n", "point 'line 1' of '",
         "' has the unknown action 'remove'; use 'segment N', 'hepatic', 'portal' or 'cut'"},
        {"words.txt", "a point on the portal vein\n",
         "is neither a markups JSON file (.mrk.json) nor a CSV file of x,y,z,action lines: "
         "line 1 reads 'a point on the portal vein'"},
        {"broken.mrk.json", "{\"markups\": [", "is not valid JSON"},
        {"noframe.mrk.json", noFrame.dump(), "does not declare its frame"},
        {"ijk.mrk.json", otherFrame.dump(), "declares the frame 'IJK'"},
        {"curve.mrk.json", curve.dump(), "holds a markup of type \"Curve\", not a point list"},
        {"empty.csv", "x,y,z,action\n", "holds no point"},
        {"old.fcsv",
         "# Markups fiducial file version = 4.11\n# CoordinateSystem = LPS\n"
         "# columns = id,x,y,z,ow,ox,oy,oz,vis,sel,lock,label,desc,associatedNodeID\n"
         "vtkMRMLMarkupsFiducialNode_0," +
             onLine.str() + ",0,0,0,1,1,1,0,cut,,\n",
         "is a fiducial CSV file (.fcsv), which angiolith does not read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir out;
        test::writeFile(out / c.file, c.content);
        const ToolRun run =
            runTool({"plan", results(), "--points", out / c.file, "--out", out / "planned"});
        EXPECT_EQ(run.status, 2);
        const std::size_t at = run.err.find(c.message);
        EXPECT_NE(at, std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.more, at), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out / "planned/territories.json"));
    }
}

}  // namespace
}  // namespace angiolith::tool
