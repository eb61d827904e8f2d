#ifndef ANGIOLITH_TOOLS_CLI_NRRDIO_H
#define ANGIOLITH_TOOLS_CLI_NRRDIO_H

#include "cli/Volume.h"

#include <string>
#include <utility>
#include <vector>

namespace angiolith::tool {

/// Reads an NRRD file (.nrrd, or a detached header .nhdr with its data file) through Teem.
/// Space directions and space origin give the geometry, converted to LPS from a
/// right-anterior-superior or left-anterior-superior space (other spaces are taken as they
/// are); a file without a space uses its axis spacings and minima. Throws UserError naming
/// @p path when the file is not NRRD, is not 3-D, or holds an element kind the library does
/// not convert.
Volume readNrrd(const std::string& path);

/// Writes @p volume as NRRD in the left-posterior-superior space with gzip encoding: one file
/// for .nrrd, a header and a data file beside it for .nhdr. Throws std::runtime_error when the
/// file cannot be written. @p fields are written as the header's key/value pairs ("key:=value").
void writeNrrd(const std::string& path, const Volume& volume,
               const std::vector<std::pair<std::string, std::string>>& fields = {});

}  // namespace angiolith::tool

#endif
