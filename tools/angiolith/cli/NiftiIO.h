#ifndef ANGIOLITH_TOOLS_CLI_NIFTIIO_H
#define ANGIOLITH_TOOLS_CLI_NIFTIIO_H

#include "cli/Volume.h"

#include <string>

namespace angiolith::tool {

/// Reads a NIfTI-1 or NIfTI-2 file (.nii, .nii.gz) through the NIfTI reference library.
/// The voxel-to-world transform is the sform when its code is set, else the qform (else the
/// voxel spacing alone), converted from RAS to LPS. A scaled image (scl_slope) is returned
/// as float64 holding the scaled values. Throws UserError naming @p path when the file is
/// not NIfTI, is not 3-D, or holds an element kind the library does not convert.
Volume readNifti(const std::string& path);

/// Writes @p volume as a single-file NIfTI-1 image (gzip-compressed when @p path ends in
/// .gz), with sform and qform both set (code 1, scanner) from its geometry, in RAS.
/// Throws std::runtime_error when the file cannot be written.
void writeNifti(const std::string& path, const Volume& volume);

}  // namespace angiolith::tool

#endif
