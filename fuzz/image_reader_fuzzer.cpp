// libFuzzer target for the tool's image reading: arbitrary bytes as a NIfTI-1/2 file (gzip-
// compressed when they start with gzip's magic) or an NRRD file (when they start with "NRRD").
// Every input must end in a volume or a one-line UserError, never in a crash, a sanitizer
// report, a leak or an allocation beyond what the file can hold.

#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath(const char* extension) {
    return "/tmp/angiolith-image-fuzz-" + std::to_string(getpid()) + extension;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool gzip = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
    const bool nrrd = size >= 4 && std::string(reinterpret_cast<const char*>(data), 4) == "NRRD";
    const std::string path = scratchPath(nrrd ? ".nrrd" : gzip ? ".nii.gz" : ".nii");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    try {
        const angiolith::tool::Volume volume = angiolith::tool::readImage(path, "fuzz input");
        // A volume that was read is complete: its geometry and element buffer agree.
        if (volume.pic == nullptr || volume.geometry.voxelCount() == 0) std::abort();
    } catch (const angiolith::tool::UserError& error) {
        const std::string line = error.what();
        if (line.empty() || line.find('\n') != std::string::npos) std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
