#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/planning/LabelTables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>

namespace angiolith::tool::planning {
namespace {

// The fields of an NRRD header written as "key:=value".
std::map<std::string, std::string> keyValues(const std::string& file) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(file.substr(0, file.find("\n\n")));
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(":=");
        if (at != std::string::npos) fields[line.substr(0, at)] = line.substr(at + 2);
    }
    return fields;
}

// Three labels on a volume of several planes (two voxels far apart, one voxel, one whole row):
// each label's name, value and extent as worked out by hand, and the voxels, come back from the
// segmentation, 8-bit for labels up to 255 and 16-bit above, the same on any number of threads.
TEST(LabelTables, SegmentationHoldsTheLabelsAndTheirExtentsOnAnyNumberOfThreads) {
    for (const std::uint16_t wide : {std::uint16_t{255}, std::uint16_t{300}}) {
        Volume labels;
        labels.geometry.size = {23, 9, 11};
        labels.pic = makeDescriptor(lumoTeskTypeUnsigned, 16, labels.geometry.size);
        auto* v = static_cast<std::uint16_t*>(labels.pic->data);
        const auto at = [](int x, int y, int z) { return (z * 9 + y) * 23 + x; };
        v[at(20, 1, 2)] = v[at(3, 8, 9)] = 3;                // x 3-20, y 1-8, z 2-9
        v[at(6, 5, 4)] = 17;                                 // one voxel
        for (int x = 0; x < 23; ++x) v[at(x, 2, 7)] = wide;  // row y 2, z 7
        const std::string values[] = {"3", "17", std::to_string(wide)};
        const char* boxes[] = {"3 20 1 8 2 9", "6 6 5 5 4 4", "0 22 2 2 7 7"};
        const std::vector<LabelEntry> entries = labelsOf(labels, LabelRule::Segment);
        ASSERT_EQ(entries.size(), 3u);
        test::TempDir dir;
        const std::string path = dir / "s.seg.nrrd";
        std::map<std::string, std::string> fields =
            keyValues(test::sameOnAnyNumberOfThreads([&](unsigned) {
                writeSegmentation(path, labels, entries);
                return test::readFile(path);
            }));
        for (int s = 0; s < 3; ++s) {
            const std::string segment = "Segment" + std::to_string(s);
            EXPECT_EQ(fields[segment + "_Name"], "segment " + values[s]);
            EXPECT_EQ(fields[segment + "_LabelValue"], values[s]);
            EXPECT_EQ(fields[segment + "_Layer"], "0");
            EXPECT_EQ(fields[segment + "_Extent"], boxes[s]);
        }
        EXPECT_EQ(fields.count("Segment3_Name"), 0u);
        EXPECT_EQ(fields["Segmentation_MasterRepresentation"], "Binary labelmap");
        std::ostringstream table;
        writeColourTable(table, entries);
        EXPECT_NE(table.str().find("\n17 segment_17 "), std::string::npos) << table.str();

        const Volume back = readImage(path, "segmentation");
        ASSERT_EQ(back.pic->bits, wide > 255 ? 16u : 8u);
        for (int i = 0; i < 23 * 9 * 11; ++i) {
            const unsigned value = back.pic->bits == 8
                                       ? static_cast<const std::uint8_t*>(back.pic->data)[i]
                                       : static_cast<const std::uint16_t*>(back.pic->data)[i];
            ASSERT_EQ(value, v[i]) << "voxel " << i;
        }
    }
}

}  // namespace
}  // namespace angiolith::tool::planning
