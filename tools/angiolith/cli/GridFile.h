#ifndef ANGIOLITH_TOOLS_CLI_GRIDFILE_H
#define ANGIOLITH_TOOLS_CLI_GRIDFILE_H

#include "cli/Geometry.h"

#include <optional>
#include <string>

namespace angiolith::tool {

/// The name of the grid file written beside a set of tree files.
inline constexpr const char* kGridFileName = "grid.json";

/// Writes @p geometry as a small JSON file: {"format": "angiolith grid", "version": 1,
/// "size": [x, y, z], "spacing": [...], "origin": [...], "direction": [[row], [row], [row]]},
/// in millimetres in the LPS frame, direction columns being the voxel axes. Throws
/// std::runtime_error when it cannot.
void writeGridFile(const std::string& path, const Geometry& geometry);

/// Reads a grid file. Throws UserError when it is missing, unreadable or damaged.
Geometry readGridFile(const std::string& path);

/// The grid file beside a forest given as a folder or as one of its tree files, when there is
/// one (read as readGridFile does).
std::optional<Geometry> gridOfForest(const std::string& forestPath);

}  // namespace angiolith::tool

#endif
