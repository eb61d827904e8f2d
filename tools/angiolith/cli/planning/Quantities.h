#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_QUANTITIES_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_QUANTITIES_H

#include "cli/Volume.h"

#include <angiolith/tree/ArVesselTree.h>

#include <optional>
#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// The resection states a plan writes into the vessels: the library reads 1 as undefined.
inline constexpr int kResectionUndefined = 1;
inline constexpr int kResectionRemnant = 2;
inline constexpr int kResectionResected = 3;

/// The figures of one vessel: its attributes, centre line and the tissue it supplies.
struct VesselFigures {
    int tree = 1;  ///< number of the vessel's tree in the set, from 1
    int id = 0;
    std::optional<int> parent;  ///< id of the parent vessel; none for a root
    int type = 0, segment = 0, resection = 0;
    double lengthMm = 0, meanRadiusMm = 0, minRadiusMm = 0;
    unsigned long long ownVoxels = 0;      ///< tissue voxels whose nearest vessel it is
    unsigned long long subtreeVoxels = 0;  ///< its own and those of every vessel below it
};

/// Voxels supplied per value of one key (tree number, segment or resection status).
struct Total {
    int key = 0;
    unsigned long long voxels = 0;
};

/// The quantities of a set of trees over their territories.
struct Quantities {
    double voxelMl = 0;                              ///< volume of one voxel of the grid in mL
    unsigned long long tissueVoxels = 0;             ///< non-zero voxels of the tissue mask
    std::vector<VesselFigures> vessels;              ///< tree by tree, each in preorder
    std::vector<Total> trees, segments, resections;  ///< ascending keys
    /// Tissue voxels whose vessel id no vessel of the trees carries.
    unsigned long long unassignedVoxels = 0;

    double ml(unsigned long long voxels) const { return static_cast<double>(voxels) * voxelMl; }
    double percent(unsigned long long voxels) const;
    /// Tissue voxels supplied by resected vessels.
    unsigned long long resectedVoxels() const;
};

/// Measures @p trees against the voxels of each id (@p voxelsPerId, valueCounts16 of their
/// vessel-ID volume: 0 outside the tissue, every tissue voxel holding the id of its nearest
/// vessel) on the volume's grid @p grid. Lengths and radii are in the trees' frame, voxel index
/// times spacing, that is millimetres. Vessels sharing an id share its voxels; the first in
/// order is given them. Throws std::invalid_argument when @p voxelsPerId does not hold 65536
/// counts.
Quantities measure(const std::vector<ArVesselTree>& trees, const Geometry& grid,
                   const std::vector<unsigned long long>& voxelsPerId);

/// The short summary that ends a command's progress output: the tissue volume and the @p top
/// largest subtrees of each tree with their share of the tissue.
std::string summaryText(const Quantities& quantities, std::size_t top = 5);

}  // namespace angiolith::tool::planning

#endif
