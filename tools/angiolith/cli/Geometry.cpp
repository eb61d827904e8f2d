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
    out << v[0] << "," << v[1] << "," << v[2];
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
                return "orientation differs";
            }
        }
    }
    return "";
}

Vec3 flipRasLps(const Vec3& v) { return {-v[0], -v[1], v[2]}; }

}  // namespace angiolith::tool
