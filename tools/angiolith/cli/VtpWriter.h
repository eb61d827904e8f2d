#ifndef ANGIOLITH_TOOLS_CLI_VTPWRITER_H
#define ANGIOLITH_TOOLS_CLI_VTPWRITER_H

#include "cli/Geometry.h"

#include <ostream>
#include <string>
#include <vector>

namespace angiolith::tool {

/// One vessel's centre line: its points in order and the vessel radius at each.
struct Polyline {
    int vesselId = 0;
    std::vector<Vec3> points;
    std::vector<double> radii;  ///< parallel to points
};

/// Writes @p lines as VTK XML PolyData (ASCII): one polyline cell per line with at least one
/// point, point data `radius` (Float32) and cell data `vesselId` (Int32). The coordinates are
/// written as given (the tool passes world coordinates in the LPS frame, millimetres).
void writeVtp(std::ostream& out, const std::vector<Polyline>& lines);

/// Writes @p lines to @p path (see above). Throws std::runtime_error when it cannot.
void writeVtpFile(const std::string& path, const std::vector<Polyline>& lines);

}  // namespace angiolith::tool

#endif
