#ifndef ANGIOLITH_TOOLS_CLI_TREEFILE_H
#define ANGIOLITH_TOOLS_CLI_TREEFILE_H

#include "cli/Geometry.h"
#include "cli/VtpWriter.h"

#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/TreeIterator.h>

#include <cstddef>
#include <string>
#include <vector>

namespace angiolith::tool {

/// Calls @p visit with every vessel of @p tree in preorder.
template <typename F>
void forEachVessel(const ArVesselTree& tree, F&& visit) {
    ar<TreeIterator<ar<Vessel>>> it = tree->preorderIterator();
    while (it->hasNext()) {
        ar<Vessel> vessel = it->next();
        visit(*vessel);
    }
}

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

/// The trees a skeleton gives, one per connected part, their vessels numbered across trees.
using Forest = std::vector<ArVesselTree>;

/// Vessel, sample and id counts of all trees of a forest together.
TreeStats statsOf(const Forest& forest);

/// The name of the text file of tree @p number (from 1) of a forest: "tree-1.txt", "tree-2.txt"...
std::string treeFileName(std::size_t number);
/// The number of the tree a file of that name holds, 0 when @p name is no tree file's name.
std::size_t treeNumberOf(const std::string& name);

/// Reads a forest back as a set: given a folder, every tree-N.txt in it (N from 1 without a
/// gap); given a file, that tree alone. Throws UserError as readTreeFile does, for a folder
/// without tree files or with a gap in their numbers, and for a vessel id found in two trees.
Forest readForest(const std::string& path);
/// The folder of a forest given as a folder or as one of its files.
std::string forestFolder(const std::string& path);

/// requireVolumeIds and requireTreeOnGrid for every tree of a forest read from @p path.
void requireVolumeIds(const Forest& forest, const std::string& path);
void requireTreeOnGrid(const Forest& forest, const std::string& path, const Geometry& geometry,
                       const std::string& what);

/// The centre lines of every tree of @p forest, tree by tree and vessel by vessel in preorder,
/// in world coordinates (LPS, millimetres) of @p geometry, with radius = diameter / 2 and the
/// tree's number (from 1) as cell data `treeId`.
std::vector<Polyline> worldLines(const Forest& forest, const Geometry& geometry);
/// The centre lines of one tree, as those of a forest of one tree.
std::vector<Polyline> worldLines(const ArVesselTree& tree, const Geometry& geometry);
/// The same in continuous voxel indices (for the preview).
std::vector<Polyline> indexLines(const Forest& forest, const Geometry& geometry);

}  // namespace angiolith::tool

#endif
