#ifndef ANGIOLITH_TOOLS_CLI_PLANNING_TERRITORIESTABLE_H
#define ANGIOLITH_TOOLS_CLI_PLANNING_TERRITORIESTABLE_H

#include "cli/Geometry.h"
#include "cli/planning/Quantities.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace angiolith::tool::planning {

/// Where a table of quantities came from, so that a result can be traced.
struct Provenance {
    std::string command;                 ///< "run", "territories" or "plan"
    std::optional<std::string> vessels;  ///< the vessel mask, when the command read one
    std::string tissue;                  ///< the tissue mask (or the volume standing for it)
    std::vector<std::string> trees;      ///< the tree files read or written
    std::optional<std::string> points;   ///< the point file of a plan
    Geometry grid;                       ///< the grid of the volumes (LPS)
    nlohmann::json options = nlohmann::json::object();  ///< the options used, by long name
    std::vector<std::string> warnings;                  ///< one line each
};

/// territories.json: the quantities with their provenance; with @p resection, the headline of
/// a resection (the voxels of resection status resected against the rest of the tissue).
nlohmann::json territoriesJson(const Quantities& quantities, const Provenance& provenance,
                               bool resection);

/// territories.csv: the vessel rows with the JSON's column names in its order, then a blank
/// line and the totals as rows of total,key,voxels,ml,percent.
void writeTerritoriesCsv(std::ostream& out, const Quantities& quantities);

}  // namespace angiolith::tool::planning

#endif
