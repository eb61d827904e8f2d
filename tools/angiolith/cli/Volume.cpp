#include "cli/Volume.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace angiolith::tool {

namespace {

template <typename T>
unsigned long long countNonZeroOf(const void* data, unsigned long long n) {
    const T* values = static_cast<const T*>(data);
    unsigned long long count = 0;
    for (unsigned long long i = 0; i < n; ++i) count += isObject(values[i]) ? 1 : 0;
    return count;
}

template <typename T>
void binarizeOf(const void* data, unsigned long long n, unsigned char* out) {
    const T* values = static_cast<const T*>(data);
    for (unsigned long long i = 0; i < n; ++i) out[i] = isObject(values[i]) ? 1 : 0;
}

unsigned long long elementCount(const lumoTeskDescriptor& pic) {
    return static_cast<unsigned long long>(pic.n[0]) * pic.n[1] * pic.n[2];
}

// Voxels per piece of work when a pass over a volume is split between threads: large enough
// that handing out a piece costs nothing next to it, small enough to balance two cores.
constexpr unsigned long long kVoxelsPerChunk = 1ULL << 20;

// Calls work(worker, begin, end) for consecutive ranges covering [0, n) on up to @p threads
// threads (0: every core). Each voxel belongs to exactly one range.
template <typename Work>
void forVoxelRanges(unsigned long long n, unsigned threads, Work&& work) {
    const std::size_t chunks =
        static_cast<std::size_t>((n + kVoxelsPerChunk - 1) / kVoxelsPerChunk);
    angiolith::detail::parallelChunks(angiolith::detail::resolveThreads(threads, chunks), chunks,
                                      [&](unsigned worker, std::size_t chunk) {
                                          const unsigned long long begin = chunk * kVoxelsPerChunk;
                                          work(worker, begin, std::min(n, begin + kVoxelsPerChunk));
                                      });
}

}  // namespace

DescriptorPtr makeDescriptor(lumoTeskType_t type, unsigned int bits,
                             const std::array<unsigned int, 3>& size) {
    DescriptorPtr pic = angiolith::detail::makeZeroVolume(type, bits, size[0], size[1], size[2]);
    if (!pic) throw std::bad_alloc();
    return pic;
}

std::string kindName(lumoTeskType_t type, unsigned int bits) {
    const int index = angiolith::detail::kindIndex(type, bits);
    if (index >= 0) return angiolith::detail::kElementKinds[index].name;
    return "kind " + std::to_string(static_cast<int>(type)) + "/" + std::to_string(bits);
}

unsigned long long countNonZero(const lumoTeskDescriptor& pic) {
    unsigned long long count = 0;
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        count = countNonZeroOf<decltype(tag)>(pic.data, elementCount(pic));
    });
    return count;
}

DescriptorPtr binarize(const lumoTeskDescriptor& pic, unsigned threads) {
    DescriptorPtr out = makeDescriptor(lumoTeskTypeUnsigned, 8, {pic.n[0], pic.n[1], pic.n[2]});
    unsigned char* values = static_cast<unsigned char*>(out->data);
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        using T = decltype(tag);
        const T* in = static_cast<const T*>(pic.data);
        forVoxelRanges(elementCount(pic), threads,
                       [&](unsigned, unsigned long long begin, unsigned long long end) {
                           binarizeOf<T>(in + begin, end - begin, values + begin);
                       });
    });
    return out;
}

std::vector<unsigned long long> valueCounts16(const lumoTeskDescriptor& pic, unsigned threads) {
    if (pic.type != lumoTeskTypeUnsigned || pic.bits != 16) {
        throw std::invalid_argument("valueCounts16 needs an unsigned 16-bit volume");
    }
    // A count per value and per worker (the volume has tens of millions of voxels, the values
    // 65536), added up once the workers are done.
    const unsigned long long n = elementCount(pic);
    const unsigned workers = angiolith::detail::resolveThreads(
        threads, static_cast<std::size_t>((n + kVoxelsPerChunk - 1) / kVoxelsPerChunk));
    std::vector<std::vector<unsigned long long>> counts(workers,
                                                        std::vector<unsigned long long>(65536, 0));
    const auto* values = static_cast<const std::uint16_t*>(pic.data);
    forVoxelRanges(n, workers,
                   [&](unsigned worker, unsigned long long begin, unsigned long long end) {
                       // By runs of one value: most of a vessel-ID or label volume is long runs
                       // (background, territories), and a run costs one addition instead of a chain
                       // of increments.
                       unsigned long long* mine = counts[worker].data();
                       std::uint16_t value = values[begin];
                       unsigned long long runStart = begin;
                       for (unsigned long long i = begin + 1; i < end; ++i) {
                           if (values[i] == value) continue;
                           mine[value] += i - runStart;
                           value = values[i];
                           runStart = i;
                       }
                       mine[value] += end - runStart;
                   });
    for (unsigned w = 1; w < workers; ++w) {
        for (std::size_t v = 0; v < 65536; ++v) counts[0][v] += counts[w][v];
    }
    return std::move(counts[0]);
}

unsigned long long countDistinctIds(const std::vector<unsigned long long>& voxelsPerValue) {
    if (voxelsPerValue.empty()) return 0;
    return static_cast<unsigned long long>(
        std::count_if(voxelsPerValue.begin() + 1, voxelsPerValue.end(),
                      [](unsigned long long c) { return c > 0; }));
}

DescriptorPtr selectLabel(const lumoTeskDescriptor& pic, unsigned int label) {
    DescriptorPtr out = makeDescriptor(lumoTeskTypeUnsigned, 8, {pic.n[0], pic.n[1], pic.n[2]});
    unsigned char* values = static_cast<unsigned char*>(out->data);
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        const auto* in = static_cast<const decltype(tag)*>(pic.data);
        for (unsigned long long i = 0; i < elementCount(pic); ++i) {
            values[i] = static_cast<double>(in[i]) == label ? 1 : 0;
        }
    });
    return out;
}

std::optional<std::map<unsigned int, unsigned long long>> labelsOf(const lumoTeskDescriptor& pic) {
    std::map<unsigned int, unsigned long long> labels;
    bool whole = true;
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        const auto* in = static_cast<const decltype(tag)*>(pic.data);
        for (unsigned long long i = 0; i < elementCount(pic) && whole; ++i) {
            const double v = static_cast<double>(in[i]);
            if (v == 0.0) continue;
            whole = v >= 1.0 && v <= 65535.0 && v == static_cast<double>(static_cast<long>(v));
            if (whole) ++labels[static_cast<unsigned int>(v)];
        }
    });
    if (!whole) return std::nullopt;
    return labels;
}

}  // namespace angiolith::tool
