#include "ToolTestSupport.h"
#include "cli/VtpWriter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace angiolith::tool {
namespace {

TEST(VtpWriter, PolylinesWithRadiusAndVesselIdParseBack) {
    std::vector<Polyline> lines(3);
    lines[0].vesselId = 1;
    lines[0].points = {{0, 0, 0}, {1.5, -2.25, 3}, {2, 2, 2}};
    lines[0].radii = {2.0, 1.75, 1.5};
    lines[1].vesselId = 7;  // a vessel without samples gets no cell
    lines[2].vesselId = 3;
    lines[2].points = {{-100.125, 80, 20.5}, {4, 5, 6}};
    lines[2].radii = {0.5, 0.25};
    std::ostringstream out;
    writeVtp(out, lines);

    const test::VtpContent vtp = test::parseVtp(out.str());
    ASSERT_TRUE(vtp.wellFormed);
    EXPECT_EQ(vtp.fileType, "PolyData");
    EXPECT_EQ(vtp.declaredPoints, 5);
    EXPECT_EQ(vtp.declaredLines, 2);
    EXPECT_EQ(vtp.arrays.at("points"),
              (std::vector<double>{0, 0, 0, 1.5, -2.25, 3, 2, 2, 2, -100.125, 80, 20.5, 4, 5, 6}));
    EXPECT_EQ(vtp.arrays.at("radius"), (std::vector<double>{2.0, 1.75, 1.5, 0.5, 0.25}));
    EXPECT_EQ(vtp.arrays.at("vesselId"), (std::vector<double>{1, 3}));
    EXPECT_EQ(vtp.arrays.at("connectivity"), (std::vector<double>{0, 1, 2, 3, 4}));
    EXPECT_EQ(vtp.arrays.at("offsets"), (std::vector<double>{3, 5}));
}

TEST(VtpWriter, EmptyTreeIsAValidEmptyPolyData) {
    std::ostringstream out;
    writeVtp(out, {});
    const test::VtpContent vtp = test::parseVtp(out.str());
    ASSERT_TRUE(vtp.wellFormed);
    EXPECT_EQ(vtp.declaredPoints, 0);
    EXPECT_EQ(vtp.declaredLines, 0);
}

}  // namespace
}  // namespace angiolith::tool
