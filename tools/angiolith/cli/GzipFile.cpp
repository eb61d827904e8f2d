#include "cli/GzipFile.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace angiolith::tool {

namespace {

// Zero runs: the output volumes are mostly background (a vessel mask fills a few per cent of the
// grid, the liver under half), and deflate spends as long on a block of zeros as on data. Blocks
// of this many zero bytes are not compressed again: each run of them is written as members
// compressed once per process, one for every power of two of blocks up to kZeroLevels - 1.
constexpr std::size_t kZeroBlock = std::size_t{64} << 10;
constexpr int kZeroLevels = 7;  // 64 KiB to 4 MiB

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

using Bytes = std::vector<unsigned char>;

// Appends the gzip member of @p size bytes at @p data to @p out.
void appendMember(libdeflate_compressor* c, const unsigned char* data, std::size_t size,
                  Bytes& out) {
    const std::size_t at = out.size();
    out.resize(at + libdeflate_gzip_compress_bound(c, size));
    const std::size_t written =
        libdeflate_gzip_compress(c, data, size, out.data() + at, out.size() - at);
    if (written == 0) throw std::runtime_error("deflate failed");
    out.resize(at + written);
}

// The gzip member of 2^level zero blocks, compressed on first use (thread-safe).
const Bytes& zeroMember(int level) {
    static std::array<std::once_flag, kZeroLevels> once;
    static std::array<Bytes, kZeroLevels> members;
    std::call_once(once[level], [level] {
        const std::size_t size = kZeroBlock << level;
        const Bytes zeros(size, 0);
        const Compressor c(libdeflate_alloc_compressor(kGzipLevel));
        if (!c) throw std::bad_alloc();
        appendMember(c.get(), zeros.data(), size, members[level]);
    });
    return members[level];
}

bool allZero(const unsigned char* data, std::size_t size) {
    // Words ORed a cache line at a time: the compiler vectorises the inner loop.
    constexpr std::size_t kLine = 64;
    std::size_t at = 0;
    for (; at + kLine <= size; at += kLine) {
        std::uint64_t words[kLine / 8];
        std::memcpy(words, data + at, kLine);
        std::uint64_t any = 0;
        for (std::uint64_t w : words) any |= w;
        if (any != 0) return false;
    }
    for (; at < size; ++at) {
        if (data[at] != 0) return false;
    }
    return true;
}

// The members of @p chunk into @p out: runs of whole zero blocks from the cache, everything
// between them deflated as one member each.
void compressChunk(libdeflate_compressor* c, const Chunk& chunk, Bytes& out) {
    out.clear();
    std::size_t dataStart = 0;  // start of the bytes not yet written
    std::size_t at = 0;
    while (at + kZeroBlock <= chunk.size) {
        if (!allZero(chunk.data + at, kZeroBlock)) {
            at += kZeroBlock;
            continue;
        }
        std::size_t blocks = 1;
        while (at + (blocks + 1) * kZeroBlock <= chunk.size &&
               allZero(chunk.data + at + blocks * kZeroBlock, kZeroBlock)) {
            ++blocks;
        }
        if (at > dataStart) appendMember(c, chunk.data + dataStart, at - dataStart, out);
        for (int level = kZeroLevels - 1; level >= 0; --level) {
            const std::size_t run = std::size_t{1} << level;
            for (; blocks >= run; blocks -= run) {
                const Bytes& member = zeroMember(level);
                out.insert(out.end(), member.begin(), member.end());
                at += run * kZeroBlock;
            }
        }
        dataStart = at;
    }
    if (dataStart < chunk.size || out.empty()) {
        appendMember(c, chunk.data + dataStart, chunk.size - dataStart, out);
    }
}

// Chunks compressed by several threads at once and written strictly in order, without waiting
// for a whole batch: each worker takes the next chunk as soon as it is free, and whichever
// thread completes the chunk the file needs next writes every finished chunk that follows in
// order. At most `window` chunks are compressed ahead of the file, so memory stays at a few
// chunks per worker whatever the file's size. The first failure stops every worker.
class OrderedChunks {
public:
    OrderedChunks(std::size_t count, std::size_t window)
        : count(count), slots(window), done(window, false) {}

    // One worker's loop: compress(i, out) fills the slot of chunk i, write(out) appends a
    // finished slot to the file. Rethrows the failure that stopped this worker.
    template <typename Compress, typename Write>
    void run(Compress&& compress, Write&& write) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock,
                         [&] { return failed || next >= count || next < written + slots.size(); });
            if (failed || next >= count) return;
            const std::size_t i = next++;
            lock.unlock();
            try {
                compress(i, slots[i % slots.size()]);
                lock.lock();
                done[i % slots.size()] = true;
                if (!writing) flush(lock, write);
            } catch (...) {
                if (!lock.owns_lock()) lock.lock();
                failed = true;
                writing = false;
                changed.notify_all();
                throw;
            }
        }
    }

private:
    // Writes the finished chunks that are next in order; the lock is released while writing.
    template <typename Write>
    void flush(std::unique_lock<std::mutex>& lock, Write& write) {
        writing = true;
        while (!failed && written < count && done[written % slots.size()]) {
            const std::size_t slot = written % slots.size();
            lock.unlock();
            write(slots[slot]);
            lock.lock();
            done[slot] = false;
            ++written;
            changed.notify_all();
        }
        writing = false;
    }

    const std::size_t count;
    std::vector<Bytes> slots;
    std::vector<bool> done;  // per slot: compressed and not yet written
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;     // the next chunk to compress
    std::size_t written = 0;  // chunks written to the file
    bool writing = false;     // a thread is writing chunks
    bool failed = false;
};

}  // namespace

void writeGzipFile(const std::string& path, const std::vector<ByteRange>& parts, unsigned threads,
                   std::size_t chunkBytes, int level) {
    writeGzipFile(path, {}, parts, threads, chunkBytes, level);
}

void writeGzipFile(const std::string& path, std::string_view head,
                   const std::vector<ByteRange>& parts, unsigned threads, std::size_t chunkBytes,
                   int level) {
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
        compressors.emplace_back(libdeflate_alloc_compressor(level));
        if (!compressors.back()) throw std::runtime_error("cannot write '" + path + "': no memory");
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file ||
        (!head.empty() && std::fwrite(head.data(), 1, head.size(), file.get()) != head.size())) {
        throw std::runtime_error("cannot write '" + path + "'");
    }
    OrderedChunks pipeline(chunks.size(), 2 * workers);
    try {
        angiolith::detail::parallelChunks(workers, workers, [&](unsigned worker, std::size_t) {
            pipeline.run(
                [&](std::size_t i, Bytes& out) {
                    compressChunk(compressors[worker].get(), chunks[i], out);
                },
                [&](const Bytes& out) {
                    if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) {
                        throw std::runtime_error("short write");
                    }
                });
        });
    } catch (const std::runtime_error&) {
        throw std::runtime_error("cannot write '" + path + "'");
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
