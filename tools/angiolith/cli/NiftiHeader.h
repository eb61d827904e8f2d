#ifndef ANGIOLITH_TOOLS_CLI_NIFTIHEADER_H
#define ANGIOLITH_TOOLS_CLI_NIFTIHEADER_H

#include <string>

namespace angiolith::tool {

/// Checks a NIfTI-1 or NIfTI-2 file (.nii, or .nii.gz read through zlib, which verifies the
/// gzip checksum and length of the whole stream) before the NIfTI library sees it, since that
/// library trusts its header: the header size and magic in either byte order, dim[0] from 1 to
/// 7, every extent from 1 within the tool's limits, a datatype the tool reads whose bitpix
/// matches, a voxel offset behind the header (and, in an uncompressed file, data within the
/// file), finite voxel sizes and scale. Throws UserError with a one-line message naming
/// @p path and the fault.
void checkNiftiFile(const std::string& path);

}  // namespace angiolith::tool

#endif
