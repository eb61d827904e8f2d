// Plan points read from their files: the forms editors save them in, and one-line messages for
// files that hold no usable point list.
#include "ToolTestSupport.h"
#include "cli/UserError.h"
#include "cli/planning/PlanPoints.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace angiolith::tool::planning {
namespace {

using nlohmann::json;

constexpr Vec3 kOn = {12.5, -30.25, 7};

// A plain CSV; a spreadsheet's CSV (byte order mark, CRLF line ends); markups in RAS with a
// point still to be placed (saved at 0,0,0), which is left out with a warning; markups in LPS:
// the same point.
TEST(PlanPoints, FilesAsEditorsSaveThemGiveThePlainPoints) {
    test::TempDir dir;
    json unplaced = json::parse(test::markups("RAS", {{"segment 6", kOn}, {"F-2", {0, 0, 0}}}));
    unplaced["markups"][0]["controlPoints"][1]["positionStatus"] = "undefined";
    const std::pair<std::string, std::string> files[] = {
        {"p.csv", "x,y,z,action\n12.5,-30.25,7,segment 6\n"},
        {"bom.csv", "\xEF\xBB\xBFx,y,z,action\r\n12.5,-30.25,7,segment 6\r\n"},
        {"p.mrk.json", unplaced.dump()},
        {"lps.mrk.json", test::markups("LPS", {{"segment 6", kOn}})}};
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        test::writeFile(dir / name, content);
        std::vector<std::string> warnings;
        const std::vector<PlanPoint> points = readPlanPoints(dir / name, &warnings);
        ASSERT_EQ(points.size(), 1u);
        EXPECT_EQ(points[0].lps, kOn);
        EXPECT_EQ(points[0].action.kind, PlanAction::Segment);
        EXPECT_EQ(points[0].action.segment, 6);
        const bool markups = name == "p.mrk.json";
        ASSERT_EQ(warnings.size(), markups ? 1u : 0u);
        if (markups) {
            EXPECT_NE(warnings[0].find("point 'F-2' of '" + (dir / name) +
                                       "' is not placed (positionStatus \"undefined\"): left out"),
                      std::string::npos)
                << warnings[0];
        }
    }
}

TEST(PlanPoints, FilesWithoutAUsablePointListGetOneLineMessages) {
    json noFrame = json::parse(test::markups("", {{"cut", kOn}}));
    json otherFrame = json::parse(test::markups("LPS", {{"cut", kOn}}));
    otherFrame["markups"][0]["coordinateSystem"] = "IJK";
    json curve = json::parse(test::markups("LPS", {{"cut", kOn}}));
    curve["markups"][0]["type"] = "Curve";
    struct Case {
        const char* file;
        std::string content;
        std::string message;
        std::string more = "";  // a second part of the message, after the first
    } cases[] = {
        {"action.csv", "12.5,-30.25,7,remove\n", "point 'line 1' of '",
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
         "vtkMRMLMarkupsFiducialNode_0,12.5,-30.25,7,0,0,0,1,1,1,0,cut,,\n",
         "is a fiducial CSV file (.fcsv), which angiolith does not read"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::writeFile(dir / c.file, c.content);
        const std::string message =
            angiolith::test::messageOf<UserError>([&] { readPlanPoints(dir / c.file); });
        const std::size_t at = message.find(c.message);
        EXPECT_NE(at, std::string::npos) << message;
        EXPECT_NE(message.find(c.more, at), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

}  // namespace
}  // namespace angiolith::tool::planning
