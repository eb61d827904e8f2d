#include "ToolTestSupport.h"
#include "cli/GzipFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace angiolith::tool {
namespace {

using test::TempDir;

std::string gunzip(const std::string& path) {
    return test::inflateMembers(test::readFile(path)).first;
}

TEST(GzipFile, ChunksAreMembersOfOneStreamOnAnyNumberOfThreads) {
    TempDir dir;
    std::string header = "header bytes";
    std::vector<std::uint16_t> values(5000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint16_t>(i * 7);
    const std::string path = dir / "v.gz";
    test::sameOnAnyNumberOfThreads([&](unsigned threads) {
        writeGzipFile(path, {{header.data(), header.size()}, {values.data(), values.size() * 2}},
                      threads, 1000);
        return test::readFile(path);
    });
    EXPECT_EQ(gunzip(path), header + std::string(reinterpret_cast<const char*>(values.data()),
                                                 values.size() * 2));
    // The header, then 10000 bytes in chunks of 1000.
    EXPECT_EQ(test::inflateMembers(test::readFile(path)).second, 1 + 10);
    const std::string empty = dir / "empty.gz";
    writeGzipFile(empty, {}, 2);
    EXPECT_EQ(gunzip(empty), "");
    EXPECT_THROW(writeGzipFile(dir / "missing/x.gz", {{header.data(), header.size()}}),
                 std::runtime_error);
}

// Data in runs of bytes, zero or not, written in chunks after an uncompressed head (as an NRRD
// header precedes its gzip data). Runs of whole 64 KiB zero blocks take members compressed once:
// runs of every length up to beyond the largest cached member, runs ending at a chunk's end or
// cut by it, zero bytes too few for a block, a zero chunk. Many more chunks than the workers keep
// in flight, of uneven cost (deflated data, zero blocks, short tails), finish out of order. The
// file is the same bytes on any number of threads at every level (0 stores), it starts with the
// head, and zlib reads the data back after it.
TEST(GzipFile, EveryLayoutReadsBackTheSameOnAnyNumberOfThreads) {
    TempDir dir;
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    using Runs = std::vector<std::pair<std::size_t, bool>>;  // (bytes, zero)
    Runs uneven;  // 40 pieces: every seventh short, every third (from the second) zero
    for (std::size_t piece = 0; piece < 40; ++piece) {
        uneven.emplace_back(piece % 7 == 0 ? 5 : kBlock, piece % 3 == 1);
    }
    struct Case {
        const char* name;
        Runs runs;
        std::size_t chunk;
        int level = kGzipLevel;
        std::string head = "";
    };
    const std::vector<Case> cases = {
        {"one block between data", {{100, false}, {kBlock, true}, {100, false}}, 4 << 20},
        {"runs of 1, 2, 7 and 71 blocks",
         {{kBlock, false},
          {kBlock, true},
          {kBlock, false},
          {2 * kBlock, true},
          {kBlock, false},
          {7 * kBlock, true},
          {3, false},
          {71 * kBlock + 5, true}},
         std::size_t{8} << 20},
        {"run cut by chunks", {{kBlock / 2, false}, {9 * kBlock, true}}, 3 * kBlock},
        {"zeros short of a block", {{kBlock - 1, true}, {10, false}, {kBlock + 7, true}}, 4 << 20},
        {"all zero", {{5 * kBlock, true}}, 2 * kBlock},
        {"uneven chunks stored", uneven, kBlock, 0},
        {"uneven chunks at level 1", uneven, kBlock, 1},
        {"uneven chunks at level 6", uneven, kBlock, 6},
        {"after a head", {{300000, true}}, 100000, kGzipLevel, "NRRD0004\ntype: uchar\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data;
        for (const auto& [bytes, zero] : c.runs) {
            for (std::size_t i = 0; i < bytes; ++i) {
                data.push_back(zero ? '\0' : static_cast<char>('a' + (data.size() * 7) % 23));
            }
        }
        const std::string file = test::sameOnAnyNumberOfThreads([&](unsigned threads) {
            writeGzipFile(dir / "z.gz", c.head, {{data.data(), data.size()}}, threads, c.chunk,
                          c.level);
            return test::readFile(dir / "z.gz");
        });
        ASSERT_EQ(file.compare(0, c.head.size(), c.head), 0);
        EXPECT_EQ(test::inflateMembers(file.substr(c.head.size())).first == data, true);
    }
}

// A device that takes no bytes: the failure stops every worker and is reported, on any number
// of threads, instead of hanging or passing as success.
TEST(GzipFile, WriteFailureIsReportedOnAnyNumberOfThreads) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // Bytes deflate cannot shrink, so that the first members already overflow the stream's buffer.
    std::string data(std::size_t{8} << 20, '\0');
    std::uint32_t state = 12345;
    for (char& c : data) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    for (unsigned threads : {1u, 2u, 4u}) {
        EXPECT_THROW(writeGzipFile("/dev/full", {{data.data(), data.size()}}, threads, 100000),
                     std::runtime_error)
            << threads << " threads";
    }
}

}  // namespace
}  // namespace angiolith::tool
