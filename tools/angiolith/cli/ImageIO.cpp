#include "cli/ImageIO.h"

#include "cli/NiftiIO.h"
#include "cli/NrrdIO.h"
#include "cli/UserError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace angiolith::tool {

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::optional<ImageFormat> formatOfPath(const std::string& path) {
    const std::string name = lower(path);
    if (endsWith(name, ".nii.gz")) return ImageFormat::NiftiGz;
    if (endsWith(name, ".nii")) return ImageFormat::Nifti;
    if (endsWith(name, ".nrrd")) return ImageFormat::Nrrd;
    if (endsWith(name, ".nhdr")) return ImageFormat::Nhdr;
    return std::nullopt;
}

std::optional<ImageFormat> formatOfName(const std::string& name) {
    return formatOfPath("x." + name);
}

std::string extensionOf(ImageFormat format) {
    switch (format) {
        case ImageFormat::NiftiGz:
            return ".nii.gz";
        case ImageFormat::Nifti:
            return ".nii";
        case ImageFormat::Nrrd:
            return ".nrrd";
        case ImageFormat::Nhdr:
            return ".nhdr";
    }
    return "";
}

void requireReadableFile(const std::string& path, const std::string& role) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw UserError("cannot read the " + role + " '" + path +
                        "': no such file; check the path");
    }
    if (std::filesystem::is_directory(status)) {
        throw UserError("cannot read the " + role + " '" + path +
                        "': it is a folder; give the image file inside it");
    }
    std::ifstream probe(path, std::ios::binary);
    char byte = 0;
    if (!probe || !probe.read(&byte, 1)) {
        const std::string reason = probe ? "the file is empty" : std::strerror(errno);
        throw UserError("cannot read the " + role + " '" + path + "': " + reason +
                        "; check the file and its permissions");
    }
}

Volume readImage(const std::string& path, const std::string& role) {
    requireReadableFile(path, role);
    const std::optional<ImageFormat> format = formatOfPath(path);
    if (!format) {
        throw UserError("the " + role + " '" + path +
                        "' is in an unsupported format; use NIfTI (.nii, .nii.gz) or NRRD "
                        "(.nrrd, .nhdr)");
    }
    Volume volume = (*format == ImageFormat::Nrrd || *format == ImageFormat::Nhdr)
                        ? readNrrd(path)
                        : readNifti(path);
    const Geometry& g = volume.geometry;
    if (g.voxelCount() == 0) {
        throw UserError("the " + role + " '" + path + "' has no voxels (" + sizeText(g.size) +
                        "); export the volume again");
    }
    if (std::max({g.size[0], g.size[1], g.size[2]}) > kMaxExtent || g.voxelCount() > kMaxVoxels) {
        throw UserError("the " + role + " '" + path + "' is too large (" + sizeText(g.size) +
                        "); angiolith handles at most 32767 voxels per axis and 2^30 voxels "
                        "in all: crop or resample it");
    }
    return volume;
}

void writeImage(const std::string& path, const Volume& volume) {
    const std::optional<ImageFormat> format = formatOfPath(path);
    if (!format) throw std::logic_error("writeImage: no image format for " + path);
    if (*format == ImageFormat::Nrrd || *format == ImageFormat::Nhdr) {
        writeNrrd(path, volume);
    } else {
        writeNifti(path, volume);
    }
}

}  // namespace angiolith::tool
