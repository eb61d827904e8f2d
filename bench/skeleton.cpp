// Thinning throughput on synthetic vessel phantoms: wall time, voxels per second and peak
// resident memory of one SelleSkeletonizer run. Writes the phantom as a raw unsigned 8-bit
// volume so that a peer thinning can run on the very same voxels (bench/run_skeleton.sh).
//
// Usage: bench_skeleton medium|ct|ct-anisotropic [raw output file] [--no-distance-field]
// (ct-anisotropic: the CT-sized phantom at 0.7 x 0.7 x 1.5 mm, thinned with that spacing).

#include "phantom/VesselPhantom.h"

#include <angiolith/skeleton/SelleSkeletonizer.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    using angiolith::phantom::PhantomOptions;
    const std::string which = argc > 1 ? argv[1] : "medium";
    const bool noDistanceField = argc > 3 && std::string(argv[3]) == "--no-distance-field";
    const bool anisotropic = which == "ct-anisotropic";
    PhantomOptions options =
        which == "ct" || anisotropic ? PhantomOptions::ct() : PhantomOptions::medium();
    if (anisotropic) {
        options.spacingX = options.spacingY = 0.7f;
        options.spacingZ = 1.5f;
    }
    options.tissue = false;
    angiolith::phantom::Phantom phantom = angiolith::phantom::makePhantom(options);
    lumoTeskDescriptor* volume = phantom.takeVessels();
    const std::size_t voxels =
        static_cast<std::size_t>(options.sizeX) * options.sizeY * options.sizeZ;
    std::size_t object = 0;
    for (std::size_t i = 0; i < voxels; ++i) object += static_cast<unsigned char*>(volume->data)[i];
    if (argc > 2 && std::string(argv[2]) != "-") {
        std::FILE* raw = std::fopen(argv[2], "wb");
        if (raw == nullptr || std::fwrite(volume->data, 1, voxels, raw) != voxels) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        std::fclose(raw);
    }
    phantom = angiolith::phantom::Phantom();  // release the generator's index before measuring

    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    lumoTeskDescriptor* field = nullptr;
    std::size_t skeleton = 0;
    std::vector<short> skeletalVoxels;  // coordinates in list order, for the digest
    {
        SelleSkeletonizer skeletonizer(volume, true, noDistanceField);
        skeletonizer.setVolumeVoxelSizeX(options.spacingX);
        skeletonizer.setVolumeVoxelSizeY(options.spacingY);
        skeletonizer.setVolumeVoxelSizeZ(options.spacingZ);
        skeletonizer.skeletonize();
        skeleton = skeletonizer.getSkeletalVoxels()->size();
        skeletalVoxels.reserve(3 * skeleton);
        for (const DistancePoint3D* p : *skeletonizer.getSkeletalVoxels()) {
            skeletalVoxels.insert(skeletalVoxels.end(), {p->getX(), p->getY(), p->getZ()});
        }
        field = skeletonizer.getDistanceFieldPic();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    {
        // FNV-1a digests of the thinned volume, the distance field and the skeleton list (its
        // voxels in order), to compare builds
        // (outside the timed region: they read every byte of both volumes).
        const auto digest = [](const void* data, std::size_t bytes) {
            std::uint64_t h = 1469598103934665603ULL;
            for (std::size_t i = 0; i < bytes; ++i) {
                h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ULL;
            }
            return h;
        };
        std::printf(
            "DIGEST volume %016llx distance-field %016llx skeleton %016llx\n",
            static_cast<unsigned long long>(digest(volume->data, voxels)),
            static_cast<unsigned long long>(field != nullptr ? digest(field->data, voxels * 4) : 0),
            static_cast<unsigned long long>(
                digest(skeletalVoxels.data(), skeletalVoxels.size() * sizeof(short))));
    }
    const long peak = peakResidentKiB();
    const double budgetMiB = 1.5 * static_cast<double>(voxels * (1 + 4)) / (1024.0 * 1024.0);
    std::printf("%s phantom %ux%ux%u%s: %zu object voxels, %zu skeletal voxels\n", which.c_str(),
                options.sizeX, options.sizeY, options.sizeZ,
                noDistanceField ? " without distance field" : "", object, skeleton);
    std::printf(
        "  thinning %.3f s wall (%.3f s CPU), %.1f M voxels/s of volume, %.2f M object "
        "voxels/s\n",
        seconds, cpuSeconds, static_cast<double>(voxels) / seconds / 1e6,
        static_cast<double>(object) / seconds / 1e6);
    std::printf("  peak resident %.1f MiB (budget 1.5 x (volume + distance field) = %.1f MiB)\n",
                static_cast<double>(peak) / 1024.0, budgetMiB);
    std::printf("RESULT %s %u %u %u %.6f %.6f\n", which.c_str(), options.sizeX, options.sizeY,
                options.sizeZ, seconds, cpuSeconds);
    lumoTeskFree(field);
    lumoTeskFree(volume);
    return 0;
}
