#include "ToolTestSupport.h"
#include "cli/report/ReportWriter.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

namespace angiolith::tool {
namespace {

using nlohmann::json;

std::string pageOf(const ReportContent& content) {
    std::ostringstream out;
    writeReport(out, content);
    return out.str();
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

ReportContent sampleContent() {
    ReportContent content;
    content.territories = {{"command", "run"},
                           {"inputs", {{"tissue", "liver</script><!--.nii.gz"}}},
                           {"vessels", json::array({{{"tree", 1}, {"id", 4}, {"own_ml", 1.5}}})},
                           {"warnings", {"a <b> warning"}}};
    ReportLine line;
    line.tree = 1;
    line.line.vesselId = 4;
    line.line.points = {{1.234, -5.678, 9.999}, {2, 3, 4}};
    line.line.radii = {0.755, 1.0};
    content.lines = {line};
    content.outline = {{10.04, 20.06, -30.05}};
    content.previewPng = {0x89, 'P', 'N', 'G'};
    return content;
}

TEST(ReportWriter, DataBlockHoldsEveryInputAndEndsOnlyWhereItShould) {
    const std::string page = pageOf(sampleContent());
    // The texts with "<" stay inside the block: one data block, no stray script or comment.
    EXPECT_EQ(count(page, test::kReportDataOpen), 1u);
    EXPECT_EQ(count(page, "<script"), count(page, "</script>"));
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    EXPECT_EQ(page.find("@ANGIOLITH_"), std::string::npos);

    const json data = test::reportData(page);
    EXPECT_EQ(data["territories"], sampleContent().territories);
    EXPECT_EQ(data["vessels"], json::parse(R"([{"tree": 1, "id": 4,
        "points": [1.23, -5.68, 10.0, 2.0, 3.0, 4.0], "radii": [0.76, 1.0]}])"));
    EXPECT_EQ(data["outline"], json::parse("[10.0, 20.1, -30.1]"));
    EXPECT_EQ(data["preview"], "iVBORw==");
}

TEST(ReportWriter, PreviewIsBase64AsInRfc4648) {
    // The test vectors of RFC 4648, section 10, and bytes with the high bit set.
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {std::string("\xff\xfe\0", 3), "//4A"}};
    for (const auto& [bytes, text] : cases) {
        ReportContent content;
        content.previewPng.assign(bytes.begin(), bytes.end());
        EXPECT_EQ(test::reportData(pageOf(content))["preview"], text) << bytes;
    }
}

TEST(ReportWriter, PageIsSelfContainedAndNamesThreeJsLicence) {
    const std::string page = pageOf(ReportContent{});
    EXPECT_EQ(page.find("src=\"http"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_EQ(page.find("import("), std::string::npos);
    EXPECT_NE(page.find("The MIT License"), std::string::npos);
    EXPECT_NE(page.find("three.js r1"), std::string::npos);
    EXPECT_NE(page.find("OrbitControls"), std::string::npos);
}

TEST(ReportWriter, BadInputIsRefusedOrMended) {
    ReportContent content = sampleContent();
    content.lines[0].line.radii.pop_back();
    EXPECT_EQ(angiolith::test::messageOf<std::invalid_argument>([&] { pageOf(content); }),
              "report: vessel 4 has 2 points but 1 radii");

    // A path that is not UTF-8 (Latin-1 "ü") is replaced, not fatal; a coordinate that is not
    // finite becomes 0 rather than a null the page cannot draw.
    ReportContent latin1;
    latin1.territories = {{"inputs", {{"tissue", "Leber-M\xfcller.nrrd"}}}};
    latin1.outline = {{std::numeric_limits<double>::quiet_NaN(), 1, 2}};
    const json data = test::reportData(pageOf(latin1));
    EXPECT_EQ(data["territories"]["inputs"]["tissue"], "Leber-M\xef\xbf\xbdller.nrrd");
    EXPECT_EQ(data["outline"], json::parse("[0.0, 1.0, 2.0]"));

    EXPECT_THROW(writeReportFile("/nonexistent-folder/report.html", latin1), std::runtime_error);
}

}  // namespace
}  // namespace angiolith::tool
