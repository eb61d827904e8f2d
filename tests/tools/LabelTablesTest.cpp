#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/Threads.h"
#include "cli/planning/LabelTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>

namespace angiolith::tool::planning {
namespace {

// The "key:=value" fields of an NRRD file's header.
std::map<std::string, std::string> headerFields(const std::string& path) {
    const std::string text = test::readFile(path);
    std::istringstream lines(text.substr(0, text.find("\n\n")));
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(":=");
        if (at != std::string::npos) fields[line.substr(0, at)] = line.substr(at + 2);
    }
    return fields;
}

// Labels scattered over a volume of several planes (one label only in a single voxel, one in a
// run along a whole row): each label's extent, as a brute-force walk over the voxels finds it,
// and the voxels themselves come back from the segmentation, 8-bit for labels up to 255 and
// 16-bit above, the same on one worker thread and on several.
TEST(LabelTables, SegmentationHoldsTheLabelsAndTheirExtentsOnAnyNumberOfThreads) {
    struct Case {
        const char* name;
        std::array<std::uint16_t, 3> labels;
        unsigned bits;
    };
    const Case cases[] = {{"narrow", {3, 17, 255}, 8}, {"wide", {3, 300, 65535}, 16}};
    const unsigned before = workerThreads();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Volume labels;
        labels.geometry.size = {23, 9, 11};
        labels.pic = makeDescriptor(lumoTeskTypeUnsigned, 16, labels.geometry.size);
        auto* v = static_cast<std::uint16_t*>(labels.pic->data);
        const unsigned long long n = labels.geometry.voxelCount();
        std::uint32_t state = 7;
        for (unsigned long long i = 0; i < n; ++i) {
            state = state * 1664525u + 1013904223u;
            v[i] = (state >> 28) < 3 ? c.labels[0] : 0;
        }
        v[(4 * 9 + 5) * 23 + 6] = c.labels[1];  // one voxel: x 6, y 5, z 4
        std::fill(v + (7 * 9 + 2) * 23, v + (7 * 9 + 3) * 23, c.labels[2]);  // row y 2, z 7
        const std::vector<LabelEntry> entries = labelsOf(labels, LabelRule::Segment);
        ASSERT_EQ(entries.size(), 3u);

        std::map<unsigned, std::array<long, 6>> expected;
        for (long z = 0; z < 11; ++z) {
            for (long y = 0; y < 9; ++y) {
                for (long x = 0; x < 23; ++x) {
                    const unsigned value = v[(z * 9 + y) * 23 + x];
                    if (value == 0) continue;
                    auto found = expected.find(value);
                    if (found == expected.end()) {
                        expected[value] = {x, x, y, y, z, z};
                        continue;
                    }
                    auto& b = found->second;
                    b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y),
                         std::max(b[3], y), std::min(b[4], z), std::max(b[5], z)};
                }
            }
        }
        EXPECT_EQ(expected[c.labels[1]], (std::array<long, 6>{6, 6, 5, 5, 4, 4}));
        EXPECT_EQ(expected[c.labels[2]], (std::array<long, 6>{0, 22, 2, 2, 7, 7}));

        test::TempDir dir;
        for (unsigned threads : {1u, 3u}) {
            setWorkerThreads(threads);
            const std::string path = dir / ("s" + std::to_string(threads) + ".seg.nrrd");
            writeSegmentation(path, labels, entries);
            const std::map<std::string, std::string> fields = headerFields(path);
            for (std::size_t s = 0; s < entries.size(); ++s) {
                const auto& b = expected[entries[s].value];
                std::ostringstream box;
                box << b[0] << " " << b[1] << " " << b[2] << " " << b[3] << " " << b[4] << " "
                    << b[5];
                EXPECT_EQ(fields.at("Segment" + std::to_string(s) + "_Extent"), box.str())
                    << threads << " threads, label " << entries[s].value;
            }
            const Volume back = readImage(path, "segmentation");
            ASSERT_EQ(back.pic->bits, c.bits);
            for (unsigned long long i = 0; i < n; ++i) {
                const unsigned value = c.bits == 8
                                           ? static_cast<const std::uint8_t*>(back.pic->data)[i]
                                           : static_cast<const std::uint16_t*>(back.pic->data)[i];
                ASSERT_EQ(value, v[i]) << "voxel " << i << ", " << threads << " threads";
            }
        }
    }
    setWorkerThreads(before);
}

}  // namespace
}  // namespace angiolith::tool::planning
