#ifndef ANGIOLITH_TOOLS_CLI_TREEFILE_H
#define ANGIOLITH_TOOLS_CLI_TREEFILE_H

#include "cli/Geometry.h"
#include "cli/VtpWriter.h"

#include <angiolith/tree/ArVesselTree.h>

#include <string>
#include <vector>

namespace angiolith::tool {

/// Vessel, sample and id counts of a tree.
struct TreeStats {
    int vessels = 0;
    long samples = 0;
    int minId = 0, maxId = 0;
};
TreeStats statsOf(const ArVesselTree& tree);

/// Writes @p tree in the library's text format, with nine significant digits so that every
/// position and diameter reads back exactly. Throws std::runtime_error when it cannot.
void writeTreeFile(const std::string& path, ArVesselTree& tree);

/// Reads a tree written in the library's text format. Throws UserError for a missing or
/// unreadable file, a file that does not start with the format's magic line, and a text that
/// ends early or holds no vessel.
ArVesselTree readTreeFile(const std::string& path);

/// Throws UserError unless every vessel of @p tree (read from @p path) has an id from 1 to
/// 65535 (the range a vessel-ID volume holds) and at least one sample has been recorded.
void requireVolumeIds(const ArVesselTree& tree, const std::string& path);

/// Throws UserError unless every sample of @p tree lies on the grid of @p geometry: the
/// library's tree positions are voxel index times spacing, so a tree extracted from another
/// grid is caught here. @p what names the grid's file in the message.
void requireTreeOnGrid(const ArVesselTree& tree, const std::string& treePath,
                       const Geometry& geometry, const std::string& what);

/// The centre lines of @p tree, vessel by vessel in preorder, in world coordinates (LPS,
/// millimetres) of @p geometry, with radius = diameter / 2.
std::vector<Polyline> worldLines(const ArVesselTree& tree, const Geometry& geometry);
/// The same in continuous voxel indices (for the preview).
std::vector<Polyline> indexLines(const ArVesselTree& tree, const Geometry& geometry);

}  // namespace angiolith::tool

#endif
