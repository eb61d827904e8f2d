#ifndef ANGIOLITH_TOOLS_CLI_IMAGEIO_H
#define ANGIOLITH_TOOLS_CLI_IMAGEIO_H

#include "cli/Volume.h"

#include <optional>
#include <string>

namespace angiolith::tool {

/// The image file formats the tool reads and writes.
enum class ImageFormat { NiftiGz, Nifti, Nrrd, Nhdr };

/// The format named by a file name's extension (case-insensitive), if it is one of ours.
std::optional<ImageFormat> formatOfPath(const std::string& path);
/// The format named by a --format value ("nii.gz", "nii", "nrrd", "nhdr").
std::optional<ImageFormat> formatOfName(const std::string& name);
/// The file name extension of a format, with its dot: ".nii.gz".
std::string extensionOf(ImageFormat format);

/// The largest extent per axis: the library addresses voxels with signed 16-bit coordinates.
inline constexpr unsigned int kMaxExtent = 32767;
/// The largest number of voxels: the library sizes element buffers of 4-byte elements in
/// unsigned 32-bit arithmetic.
inline constexpr unsigned long long kMaxVoxels = (1ULL << 30) - 1;

/// Reads a 3-D image. @p role names the file in messages ("vessel mask", "tissue mask").
/// Throws UserError with a one-line message for a missing or unreadable file, an unsupported
/// format or element kind, an image that is not 3-D, and a volume that is empty or too large.
Volume readImage(const std::string& path, const std::string& role);

/// Writes @p volume in the format its file name names. Throws std::runtime_error on failure.
void writeImage(const std::string& path, const Volume& volume);

/// Throws UserError unless @p path exists as a readable regular file.
void requireReadableFile(const std::string& path, const std::string& role);

}  // namespace angiolith::tool

#endif
