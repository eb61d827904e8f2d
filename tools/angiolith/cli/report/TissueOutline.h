#ifndef ANGIOLITH_TOOLS_CLI_REPORT_TISSUEOUTLINE_H
#define ANGIOLITH_TOOLS_CLI_REPORT_TISSUEOUTLINE_H

#include "cli/Geometry.h"
#include "cli/Volume.h"

#include <cstddef>
#include <vector>

namespace angiolith::tool {

/// The surface voxels of a mask (any supported kind; non-zero is object): object voxels with a
/// face neighbour outside the object or outside the volume, as world positions (LPS,
/// millimetres) of their centres. When there are more than @p maxPoints, a subset of about
/// @p maxPoints is kept, chosen by a hash of the voxel index: spread evenly over the surface
/// without the stripes of a regular stride, and the same on every run.
std::vector<Vec3> tissueOutline(const Volume& mask, std::size_t maxPoints);

}  // namespace angiolith::tool

#endif
