#include "ToolTestSupport.h"
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#include <zlib.h>

namespace angiolith::tool {
namespace {

using test::TempDir;

// The content of the gzip data @p raw and the number of its members, inflated member after
// member by zlib (another reader than the writer's libdeflate); every member must be whole.
std::pair<std::string, int> inflateMembers(const std::string& raw) {
    std::pair<std::string, int> result{"", 0};
    std::vector<char> sink(1 << 16);
    for (std::size_t at = 0; at < raw.size(); ++result.second) {
        z_stream z{};
        EXPECT_EQ(inflateInit2(&z, 16 + MAX_WBITS), Z_OK);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data() + at));
        z.avail_in = static_cast<uInt>(raw.size() - at);
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = reinterpret_cast<Bytef*>(sink.data());
            z.avail_out = static_cast<uInt>(sink.size());
            status = inflate(&z, Z_NO_FLUSH);
            result.first.append(sink.data(), sink.size() - z.avail_out);
        }
        inflateEnd(&z);
        EXPECT_EQ(status, Z_STREAM_END);
        if (status != Z_STREAM_END) break;
        at = raw.size() - z.avail_in;
    }
    return result;
}

std::string gunzip(const std::string& path) { return inflateMembers(test::readFile(path)).first; }

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
    EXPECT_EQ(inflateMembers(test::readFile(path)).second, 1 + 10);
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
        EXPECT_EQ(inflateMembers(file.substr(c.head.size())).first == data, true);
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

// A written .nii.gz holds the 348-byte header, four bytes without extension and the voxels, as
// zlib reads it.
TEST(GzipFile, CompressedNiftiReadsBackWithZlib) {
    TempDir dir;
    Volume v;
    v.geometry.size = {7, 5, 3};
    v.geometry.spacing = {0.7, 0.7, 1.5};
    v.pic = makeDescriptor(lumoTeskTypeFloat, 32, v.geometry.size);
    auto* data = static_cast<float*>(v.pic->data);
    for (int i = 0; i < 7 * 5 * 3; ++i) data[i] = 0.25f * static_cast<float>(i);
    writeImage(dir / "v.nii.gz", v);
    const std::string content = gunzip(dir / "v.nii.gz");
    ASSERT_EQ(content.size(), 352u + 7 * 5 * 3 * 4);
    std::int32_t sizeofHeader = 0;
    std::memcpy(&sizeofHeader, content.data(), 4);
    EXPECT_EQ(sizeofHeader, 348);
    EXPECT_EQ(content.substr(344, 4), std::string("n+1\0", 4));
    EXPECT_EQ(std::memcmp(content.data() + 352, data, 7 * 5 * 3 * 4), 0);
}

}  // namespace
}  // namespace angiolith::tool
