#include "cli/Geometry.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace angiolith::tool {

namespace {

// Files store their geometry in single or double precision; two grids that differ only in the
// last digits of a float are the same grid.
constexpr double kRelativeTolerance = 1e-4;

bool near(double a, double b, double scale) {
    return std::fabs(a - b) <= kRelativeTolerance * std::max(1.0, scale);
}

// Smallest |determinant| of the unit axis directions: axes at less than about 0.06 degrees
// from each other's plane are taken as parallel.
constexpr double kMinAxisVolume = 1e-3;
// Voxel sizes and positions the library's single-precision millimetre positions hold with
// room to spare: a micrometre to ten kilometres.
constexpr double kMinSpacing = 1e-3;
constexpr double kMaxExtentMm = 1e7;

}  // namespace

Vec3 Geometry::indexToWorld(const Vec3& index) const {
    Vec3 world = origin;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            world[row] += direction[row][col] * spacing[col] * index[col];
        }
    }
    return world;
}

Vec3 Geometry::scaledIndexToWorld(const Vec3& scaled) const {
    return indexToWorld({scaled[0] / spacing[0], scaled[1] / spacing[1], scaled[2] / spacing[2]});
}

bool Geometry::setAxis(int col, const Vec3& step) {
    const double norm = std::sqrt(step[0] * step[0] + step[1] * step[1] + step[2] * step[2]);
    if (!(norm > 0.0) || !std::isfinite(norm)) return false;
    spacing[col] = norm;
    for (int row = 0; row < 3; ++row) direction[row][col] = step[row] / norm;
    return true;
}

unsigned long long Geometry::voxelCount() const {
    return static_cast<unsigned long long>(size[0]) * size[1] * size[2];
}

std::string sizeText(const std::array<unsigned int, 3>& size) {
    return std::to_string(size[0]) + "x" + std::to_string(size[1]) + "x" + std::to_string(size[2]);
}

std::string tripleText(const Vec3& v) {
    std::ostringstream out;
    // Adding 0.0 turns a negative zero (a flipped axis through the origin) into 0.
    out << v[0] + 0.0 << "," << v[1] + 0.0 << "," << v[2] + 0.0;
    return out.str();
}

std::string geometryDifference(const Geometry& a, const Geometry& b) {
    if (a.size != b.size) return "size " + sizeText(a.size) + " vs " + sizeText(b.size);
    for (int i = 0; i < 3; ++i) {
        if (!near(a.spacing[i], b.spacing[i], std::fabs(a.spacing[i]))) {
            return "spacing " + tripleText(a.spacing) + " vs " + tripleText(b.spacing);
        }
    }
    // Origins are compared against the extent of the volume, so that a shift of a small
    // fraction of a voxel in a volume far from the scanner's centre still counts as the same.
    const double extent =
        std::max({a.spacing[0] * a.size[0], a.spacing[1] * a.size[1], a.spacing[2] * a.size[2],
                  std::fabs(a.origin[0]), std::fabs(a.origin[1]), std::fabs(a.origin[2])});
    for (int i = 0; i < 3; ++i) {
        if (!near(a.origin[i], b.origin[i], extent)) {
            return "origin " + tripleText(a.origin) + " vs " + tripleText(b.origin);
        }
    }
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (!near(a.direction[row][col], b.direction[row][col], 1.0)) {
                return "orientation";
            }
        }
    }
    return "";
}

std::string geometryFault(const Geometry& g) {
    const auto& d = g.direction;
    const double det = d[0][0] * (d[1][1] * d[2][2] - d[1][2] * d[2][1]) -
                       d[0][1] * (d[1][0] * d[2][2] - d[1][2] * d[2][0]) +
                       d[0][2] * (d[1][0] * d[2][1] - d[1][1] * d[2][0]);
    // The columns are unit vectors, so |det| is 1 for perpendicular axes and 0 for parallel.
    if (!(std::fabs(det) >= kMinAxisVolume)) {
        return "its voxel axes are parallel or nearly so (a singular voxel-to-world transform)";
    }
    const unsigned int largest = std::max({g.size[0], g.size[1], g.size[2]});
    for (int i = 0; i < 3; ++i) {
        if (!(g.spacing[i] >= kMinSpacing && g.spacing[i] * largest <= kMaxExtentMm)) {
            return "its voxel size " + tripleText(g.spacing) + " mm cannot be represented";
        }
        if (!(std::fabs(g.origin[i]) <= kMaxExtentMm)) {
            return "its origin " + tripleText(g.origin) + " mm cannot be represented";
        }
    }
    return "";
}

Vec3 flipRasLps(const Vec3& v) { return {-v[0], -v[1], v[2]}; }

}  // namespace angiolith::tool
