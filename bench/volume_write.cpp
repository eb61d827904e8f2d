// Writing the volumes of an `angiolith run`: for each .nii.gz (or .nrrd) of a result folder, the
// processor and wall time of writing it again compressed on one and on two threads, against
// writing the same bytes uncompressed (.nii) and reading them back from the page cache, so that
// the cost of compression can be set against the territory stage (bench/run_pipeline.sh).
//
// Usage: bench_volume_write DIR. Prints one line per volume and a RESULT line with the totals:
// compressed 1 thread CPU, compressed 2 threads wall, uncompressed write wall, read wall.
#include "cli/ImageIO.h"
#include "cli/Threads.h"

#include <algorithm>
#include <cstdio>
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
    Cost one{0, 0}, two{0, 0}, raw{0, 0}, read{0, 0};
    double megabytes = 0;
    std::printf("  %-26s %8s %14s %14s %12s %10s\n", "volume", "MiB", "gzip 1 thr CPU",
                "gzip 2 thr wall", "raw write", "raw read");
    for (const std::string& name : names) {
        const Volume volume = readImage((fs::path(argv[1]) / name).string(), "volume");
        const double mib = static_cast<double>(volume.geometry.voxelCount()) *
                           (volume.pic->bits / 8) / (1024.0 * 1024.0);
        const std::string packed = (scratch / name).string();
        const std::string plain = (scratch / "plain.nii").string();
        setWorkerThreads(1);
        const Cost c1 = timed([&] { writeImage(packed, volume); });
        setWorkerThreads(2);
        const Cost c2 = timed([&] { writeImage(packed, volume); });
        const Cost w = timed([&] { writeImage(plain, volume); });
        const Cost r = timed([&] { readImage(plain, "volume"); });
        std::printf("  %-26s %8.0f %12.3f s %12.3f s %10.3f s %8.3f s\n", name.c_str(), mib, c1.cpu,
                    c2.wall, w.wall, r.wall);
        one.cpu += c1.cpu;
        two.wall += c2.wall;
        raw.wall += w.wall;
        read.wall += r.wall;
        megabytes += mib;
    }
    fs::remove_all(scratch);
    std::printf("  %-26s %8.0f %12.3f s %12.3f s %10.3f s %8.3f s\n", "all", megabytes, one.cpu,
                two.wall, raw.wall, read.wall);
    std::printf("RESULT %.6f %.6f %.6f %.6f\n", one.cpu, two.wall, raw.wall, read.wall);
    return 0;
}
