#include "ToolTestSupport.h"
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"
#include "cli/NrrdIO.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <zlib.h>

namespace angiolith::tool {
namespace {

using test::TempDir;

// The whole decompressed content of @p path as zlib's gzread delivers it (another reader than
// the writer's libdeflate), which reads a series of gzip members as one stream.
std::string gunzip(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return {};
    std::string content;
    char buffer[1 << 14];
    int n = 0;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0) content.append(buffer, buffer + n);
    EXPECT_EQ(n, 0);
    gzclose(file);
    return content;
}

// The number of gzip members, counted by inflating member after member with zlib.
int members(const std::string& path) {
    const std::string raw = test::readFile(path);
    int count = 0;
    std::size_t at = 0;
    std::vector<unsigned char> sink(1 << 16);
    while (at < raw.size()) {
        z_stream z{};
        EXPECT_EQ(inflateInit2(&z, 16 + MAX_WBITS), Z_OK);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data() + at));
        z.avail_in = static_cast<uInt>(raw.size() - at);
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = sink.data();
            z.avail_out = static_cast<uInt>(sink.size());
            status = inflate(&z, Z_NO_FLUSH);
        }
        EXPECT_EQ(status, Z_STREAM_END);
        at = raw.size() - z.avail_in;
        inflateEnd(&z);
        ++count;
        if (status != Z_STREAM_END) break;
    }
    return count;
}

TEST(GzipFile, ChunksAreMembersOfOneStreamOnAnyNumberOfThreads) {
    TempDir dir;
    std::string header = "header bytes";
    std::vector<std::uint16_t> values(5000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint16_t>(i * 7);
    const std::string expected =
        header + std::string(reinterpret_cast<const char*>(values.data()), values.size() * 2);
    for (unsigned threads : {1u, 3u}) {
        const std::string path = dir / ("v" + std::to_string(threads) + ".gz");
        writeGzipFile(path, {{header.data(), header.size()}, {values.data(), values.size() * 2}},
                      threads, 1000);
        EXPECT_EQ(gunzip(path), expected);
        EXPECT_EQ(members(path), 1 + 10);  // the header, then 10000 bytes in chunks of 1000
    }
    const std::string empty = dir / "empty.gz";
    writeGzipFile(empty, {}, 2);
    EXPECT_EQ(gunzip(empty), "");
    EXPECT_THROW(writeGzipFile(dir / "missing/x.gz", {{header.data(), header.size()}}),
                 std::runtime_error);
}

// Runs of whole 64 KiB zero blocks take members compressed once: runs of every length up to
// beyond the largest cached member, runs ending at a chunk's end or cut by it, zero bytes too few
// for a block, a zero chunk. What zlib reads back is the input, and the file is the same on
// every number of threads.
TEST(GzipFile, ZeroRunsReadBackOnAnyNumberOfThreads) {
    TempDir dir;
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    struct Case {
        const char* name;
        std::vector<std::pair<std::size_t, bool>> runs;  // (bytes, zero)
        std::size_t chunk;
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string expected;
        for (const auto& [bytes, zero] : c.runs) {
            for (std::size_t i = 0; i < bytes; ++i) {
                expected.push_back(zero ? '\0'
                                        : static_cast<char>('a' + (expected.size() * 7) % 23));
            }
        }
        std::string first;
        for (unsigned threads : {1u, 2u, 5u}) {
            const std::string path = dir / ("z" + std::to_string(threads) + ".gz");
            writeGzipFile(path, "", {{expected.data(), expected.size()}}, threads, c.chunk);
            EXPECT_EQ(gunzip(path) == expected, true);
            if (threads == 1) first = test::readFile(path);
            EXPECT_EQ(test::readFile(path) == first, true);
        }
    }
}

// Many more chunks than the workers keep in flight, of uneven cost (deflated data, zero blocks,
// short tails) so that they finish out of order: the file holds them in order, the same bytes
// on any number of threads, at every level (0 stores), and zlib reads the input back.
TEST(GzipFile, UnevenChunksAreWrittenInOrderAtEveryLevel) {
    TempDir dir;
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    std::string expected;
    for (std::size_t chunk = 0; chunk < 40; ++chunk) {
        const bool zero = chunk % 3 == 1;
        const std::size_t bytes = chunk % 7 == 0 ? 5 : kBlock;
        for (std::size_t i = 0; i < bytes; ++i) {
            expected.push_back(zero ? '\0' : static_cast<char>((i * 31 + chunk * 17) % 251));
        }
    }
    for (int level : {0, 1, 6}) {
        SCOPED_TRACE(level);
        std::string first;
        for (unsigned threads : {1u, 2u, 3u}) {
            const std::string path = dir / ("u" + std::to_string(threads) + ".gz");
            writeGzipFile(path, "", {{expected.data(), expected.size()}}, threads, kBlock, level);
            EXPECT_EQ(gunzip(path) == expected, true) << threads << " threads";
            if (threads == 1) first = test::readFile(path);
            EXPECT_EQ(test::readFile(path) == first, true) << threads << " threads";
        }
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

// An uncompressed head (an NRRD header) precedes the members, which zlib reads after it.
TEST(GzipFile, HeadIsWrittenAsItIs) {
    TempDir dir;
    const std::string head = "NRRD0004\ntype: uchar\n\n", data(300000, '\0');
    writeGzipFile(dir / "h", head, {{data.data(), data.size()}}, 2, 100000);
    const std::string raw = test::readFile(dir / "h");
    ASSERT_EQ(raw.compare(0, head.size(), head), 0);
    test::writeFile(dir / "rest.gz", raw.substr(head.size()));
    EXPECT_EQ(gunzip(dir / "rest.gz") == data, true);
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

// A written .nrrd (Teem's header, the data as members, zero blocks among them) reads back with its
// voxels and its key/value fields.
TEST(GzipFile, CompressedNrrdReadsBack) {
    TempDir dir;
    Volume v;
    v.geometry.size = {128, 64, 20};
    v.pic = makeDescriptor(lumoTeskTypeUnsigned, 16, v.geometry.size);
    auto* data = static_cast<std::uint16_t*>(v.pic->data);
    for (int i = 0; i < 128 * 64 * 20; i += 1 + i / 1000) {
        if ((i / 40000) % 2 == 1) data[i] = static_cast<std::uint16_t>(i % 60000 + 1);
    }
    writeNrrd(dir / "v.nrrd", v, {{"Segment0_ID", "liver"}});
    const Volume back = readImage(dir / "v.nrrd", "volume");
    ASSERT_EQ(back.pic->bits, 16u);
    EXPECT_EQ(std::memcmp(back.pic->data, data, 128 * 64 * 20 * 2), 0);
    EXPECT_NE(test::readFile(dir / "v.nrrd").find("Segment0_ID:=liver\n"), std::string::npos);
}

}  // namespace
}  // namespace angiolith::tool
