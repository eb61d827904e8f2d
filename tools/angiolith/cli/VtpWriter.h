#ifndef ANGIOLITH_TOOLS_CLI_VTPWRITER_H
#define ANGIOLITH_TOOLS_CLI_VTPWRITER_H

#include "cli/Geometry.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace angiolith::tool {

/// One vessel's centre line: its points in order and the vessel radius at each.
struct Polyline {
    int vesselId = 0;
    std::vector<Vec3> points;
    std::vector<double> radii;  ///< parallel to points
    /// Further cell data by name (Float32 arrays), given with the same names on every line.
    std::vector<std::pair<std::string, double>> cellData;
};

/// Writes @p lines as VTK XML PolyData (ASCII): one polyline cell per line with at least one
/// point, point data `radius` (Float32), cell data `vesselId` (Int32) and the lines' further
/// cell data (Float32, named as on the first line). The coordinates are
/// written as given (the tool passes world coordinates in the LPS frame, millimetres).
void writeVtp(std::ostream& out, const std::vector<Polyline>& lines);

/// Writes @p lines to @p path (see above). Throws std::runtime_error when it cannot.
void writeVtpFile(const std::string& path, const std::vector<Polyline>& lines);

}  // namespace angiolith::tool

#endif
