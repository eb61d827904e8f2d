// Writing the volumes of an `angiolith run`: for each .nii.gz (or .nrrd) of a result folder, the
// processor and wall time of writing it again compressed on one and on two threads, against
// writing the same bytes uncompressed (.nii) and reading them back from the page cache, so that
// the cost of compression can be set against the territory stage (bench/run_pipeline.sh). Then
// what bounds the compression: per deflate level, the size of all volumes and the processor time
// on one thread, as throughput on the bytes that are deflated at all (those outside whole 64 KiB
// blocks of zeros, which the writer copies as ready-made members).
//
// Usage: bench_volume_write DIR. Prints one line per volume, one per level, a LEVEL line per
// level (level, bytes written, processor seconds) and a RESULT line with the totals: compressed
// 1 thread CPU, compressed 2 threads wall, uncompressed write wall, read wall, compressed 1 thread
// wall, deflated bytes.
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"
#include "cli/Threads.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

double clockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct Cost {
    double cpu, wall;
};

// The best of three runs of @p work.
template <typename Work>
Cost timed(Work work) {
    Cost best{1e300, 1e300};
    for (int run = 0; run < 3; ++run) {
        const double cpu = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double wall = clockSeconds(CLOCK_MONOTONIC);
        work();
        best.cpu = std::min(best.cpu, clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu);
        best.wall = std::min(best.wall, clockSeconds(CLOCK_MONOTONIC) - wall);
    }
    return best;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Bytes of @p data outside whole 64 KiB blocks of zeros (counted per 4 MiB chunk, as written).
std::size_t deflatedBytes(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kBlock = std::size_t{64} << 10, kChunk = std::size_t{4} << 20;
    static const std::vector<unsigned char> zeros(kBlock, 0);
    std::size_t bytes = 0;
    for (std::size_t chunk = 0; chunk < size; chunk += kChunk) {
        const std::size_t end = std::min(size, chunk + kChunk);
        std::size_t at = chunk;
        for (; at + kBlock <= end; at += kBlock) {
            if (std::memcmp(data + at, zeros.data(), kBlock) != 0) bytes += kBlock;
        }
        bytes += end - at;
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using namespace angiolith::tool;
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_volume_write DIR\n");
        return 2;
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("bench_volume_write_" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(argv[1])) {
        const std::string name = entry.path().filename().string();
        if (endsWith(name, ".nii.gz") || endsWith(name, ".nrrd")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    const std::vector<int> levels = {0, 1, 2, 3, 6};
    std::vector<Cost> levelCost(levels.size(), Cost{0, 0});
    std::vector<double> levelBytes(levels.size(), 0);
    Cost one{0, 0}, two{0, 0}, raw{0, 0}, read{0, 0};
    double megabytes = 0, deflated = 0;
    std::printf("  %-24s %6s %9s %10s %10s %10s %10s %10s\n", "volume", "MiB", "deflated",
                "gzip 1 thr", "gzip 1 thr", "gzip 2 thr", "raw write", "raw read");
    std::printf("  %-24s %6s %9s %10s %10s %10s %10s %10s\n", "", "", "MiB", "CPU", "wall", "wall",
                "wall", "wall");
    for (const std::string& name : names) {
        const Volume volume = readImage((fs::path(argv[1]) / name).string(), "volume");
        const std::size_t bytes =
            static_cast<std::size_t>(volume.geometry.voxelCount()) * (volume.pic->bits / 8);
        const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
        const double data = static_cast<double>(deflatedBytes(
                                static_cast<const unsigned char*>(volume.pic->data), bytes)) /
                            (1024.0 * 1024.0);
        const std::string packed = (scratch / name).string();
        const std::string plain = (scratch / "plain.nii").string();
        setWorkerThreads(1);
        const Cost c1 = timed([&] { writeImage(packed, volume); });
        setWorkerThreads(2);
        const Cost c2 = timed([&] { writeImage(packed, volume); });
        const Cost w = timed([&] { writeImage(plain, volume); });
        const Cost r = timed([&] { readImage(plain, "volume"); });
        std::printf("  %-24s %6.0f %9.1f %8.3f s %8.3f s %8.3f s %8.3f s %8.3f s\n", name.c_str(),
                    mib, data, c1.cpu, c1.wall, c2.wall, w.wall, r.wall);
        one.cpu += c1.cpu;
        one.wall += c1.wall;
        two.wall += c2.wall;
        raw.wall += w.wall;
        read.wall += r.wall;
        megabytes += mib;
        deflated += data;
        // The voxels alone at each level, on one thread.
        const std::string level = (scratch / "level.gz").string();
        for (std::size_t l = 0; l < levels.size(); ++l) {
            const Cost c = timed([&] {
                writeGzipFile(level, {{volume.pic->data, bytes}}, 1, std::size_t{4} << 20,
                              levels[l]);
            });
            levelCost[l].cpu += c.cpu;
            levelBytes[l] += static_cast<double>(fs::file_size(level));
        }
    }
    fs::remove_all(scratch);
    std::printf("  %-24s %6.0f %9.1f %8.3f s %8.3f s %8.3f s %8.3f s %8.3f s\n", "all", megabytes,
                deflated, one.cpu, one.wall, two.wall, raw.wall, read.wall);
    std::printf("  deflate level  all volumes MiB  CPU 1 thread  MB/s deflated per core\n");
    for (std::size_t l = 0; l < levels.size(); ++l) {
        std::printf("  %13d %16.1f %11.3f s %22.0f\n", levels[l], levelBytes[l] / (1024.0 * 1024.0),
                    levelCost[l].cpu, deflated * 1.048576 / levelCost[l].cpu);
        std::printf("LEVEL %d %.0f %.6f\n", levels[l], levelBytes[l], levelCost[l].cpu);
    }
    std::printf("RESULT %.6f %.6f %.6f %.6f %.6f %.0f\n", one.cpu, two.wall, raw.wall, read.wall,
                one.wall, deflated * 1024.0 * 1024.0);
    return 0;
}
