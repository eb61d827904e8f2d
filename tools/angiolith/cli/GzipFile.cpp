#include "cli/GzipFile.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <stdexcept>

namespace angiolith::tool {

namespace {

// libdeflate's fastest level: on the chain's volumes (a 256 MiB float distance volume of a CT,
// a 128 MiB vessel-ID volume) level 2 costs a third more time, level 6 nearly twice as much, for
// files smaller by under one per cent (ids: a quarter smaller at level 6, from 2 MiB).
constexpr int kLevel = 1;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Deflate expands at most 1032 times (RFC 1951: a 258-byte match per code of two bits at best).
constexpr std::size_t kMostExpansion = 1032;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct Chunk {
    const unsigned char* data;
    std::size_t size;
};

}  // namespace

void writeGzipFile(const std::string& path, const std::vector<ByteRange>& parts, unsigned threads,
                   std::size_t chunkBytes) {
    if (chunkBytes == 0) throw std::logic_error("writeGzipFile: empty chunks");
    // Chunks never span parts, so each is compressed straight from its part.
    std::vector<Chunk> chunks;
    for (const ByteRange& part : parts) {
        const auto* bytes = static_cast<const unsigned char*>(part.data);
        for (std::size_t at = 0; at < part.size; at += chunkBytes) {
            chunks.push_back({bytes + at, std::min(chunkBytes, part.size - at)});
        }
    }
    // An empty input still makes a valid gzip file: one empty member.
    static const unsigned char kNothing = 0;
    if (chunks.empty()) chunks.push_back({&kNothing, 0});

    const unsigned workers = angiolith::detail::resolveThreads(threads, chunks.size());
    std::vector<Compressor> compressors;
    for (unsigned w = 0; w < workers; ++w) {
        compressors.emplace_back(libdeflate_alloc_compressor(kLevel));
        if (!compressors.back()) throw std::runtime_error("cannot write '" + path + "': no memory");
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot write '" + path + "'");

    // A wave of chunks is compressed at once and written in order; memory stays at a few chunks
    // per worker whatever the file's size.
    const std::size_t wave = std::size_t{2} * workers;
    std::vector<std::vector<unsigned char>> out(wave);
    std::vector<std::size_t> outSizes(wave);
    for (std::size_t first = 0; first < chunks.size(); first += wave) {
        const std::size_t count = std::min(wave, chunks.size() - first);
        angiolith::detail::parallelChunks(workers, count, [&](unsigned worker, std::size_t i) {
            libdeflate_compressor* c = compressors[worker].get();
            const Chunk& chunk = chunks[first + i];
            out[i].resize(libdeflate_gzip_compress_bound(c, chunk.size));
            outSizes[i] =
                libdeflate_gzip_compress(c, chunk.data, chunk.size, out[i].data(), out[i].size());
        });
        for (std::size_t i = 0; i < count; ++i) {
            if (outSizes[i] == 0 ||
                std::fwrite(out[i].data(), 1, outSizes[i], file.get()) != outSizes[i]) {
                throw std::runtime_error("cannot write '" + path + "'");
            }
        }
    }
    if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write '" + path + "'");
}

void gunzipInto(const unsigned char* in, std::size_t inSize, std::size_t skip, void* out,
                std::size_t outSize) {
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(
        libdeflate_alloc_decompressor());
    if (!d) throw std::bad_alloc();
    auto* target = static_cast<unsigned char*>(out);
    const std::size_t total = skip + outSize;
    std::size_t produced = 0;  // decompressed bytes so far, the skipped ones included
    std::vector<unsigned char> aside;
    while (produced < total) {
        if (inSize == 0) throw GzipDataError("its gzip data ends before the voxel data does");
        std::size_t used = 0, got = 0;
        libdeflate_result result = LIBDEFLATE_INSUFFICIENT_SPACE;
        if (produced >= skip) {
            // The usual case: the member lies within the voxel data, straight into place.
            result = libdeflate_gzip_decompress_ex(d.get(), in, inSize, target + (produced - skip),
                                                   total - produced, &used, &got);
        }
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE) {
            // A member that reaches into the skipped bytes or beyond the voxel data is
            // decompressed aside, in room that grows up to what deflate can expand to.
            std::size_t room = std::max<std::size_t>(total - produced, std::size_t{1} << 16);
            for (;;) {
                aside.resize(room);
                result = libdeflate_gzip_decompress_ex(d.get(), in, inSize, aside.data(), room,
                                                       &used, &got);
                if (result != LIBDEFLATE_INSUFFICIENT_SPACE || room > inSize * kMostExpansion) {
                    break;
                }
                room *= 2;
            }
            if (result == LIBDEFLATE_SUCCESS) {
                const std::size_t from = std::max(produced, skip);
                const std::size_t to = std::min(produced + got, total);
                if (to > from)
                    std::memcpy(target + (from - skip), aside.data() + (from - produced),
                                to - from);
            }
        }
        if (result != LIBDEFLATE_SUCCESS) {
            throw GzipDataError(
                "its gzip data is damaged: invalid compressed data or checksum mismatch");
        }
        produced += got;
        in += used;
        inSize -= used;
    }
}

}  // namespace angiolith::tool
