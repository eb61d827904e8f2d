#include "ToolTestSupport.h"
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
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
    std::ifstream in(path, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
