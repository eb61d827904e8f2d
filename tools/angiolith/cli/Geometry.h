#ifndef ANGIOLITH_TOOLS_CLI_GEOMETRY_H
#define ANGIOLITH_TOOLS_CLI_GEOMETRY_H

#include <array>
#include <string>

namespace angiolith::tool {

using Vec3 = std::array<double, 3>;

/// Where a volume's voxels lie in the patient: extents, spacing, orientation and origin, in the
/// LPS frame (x to the patient's left, y to posterior, z to superior; the frame of DICOM and
/// of 3D Slicer's files). NIfTI stores RAS; the readers and writers convert.
///
/// The world position of voxel (i, j, k) is origin + direction * diag(spacing) * (i, j, k):
/// column c of `direction` is the unit vector of voxel axis c.
struct Geometry {
    std::array<unsigned int, 3> size{0, 0, 0};
    Vec3 spacing{1.0, 1.0, 1.0};
    std::array<Vec3, 3> direction{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};  ///< [row][col]
    Vec3 origin{0.0, 0.0, 0.0};

    /// World (LPS) position of a continuous voxel index.
    Vec3 indexToWorld(const Vec3& index) const;
    /// World (LPS) position of a point given as voxel index times spacing, the frame in which
    /// the library's trees hold their positions.
    Vec3 scaledIndexToWorld(const Vec3& scaled) const;
    /// Sets axis @p col from its step vector (the world offset between neighbouring voxels
    /// along that axis): its length is the spacing, its direction the column of `direction`.
    /// False, leaving the geometry unchanged, when the vector has no finite non-zero length.
    bool setAxis(int col, const Vec3& step);
    /// Number of voxels.
    unsigned long long voxelCount() const;
};

/// Empty when @p a and @p b describe the same grid (same extents; spacing, origin and
/// direction equal within a relative tolerance); otherwise a short text naming what differs,
/// e.g. "size 64x64x32 vs 64x64x33" or "spacing 0.7,0.7,1.5 vs 0.7,0.7,1".
std::string geometryDifference(const Geometry& a, const Geometry& b);

/// "64x64x32".
std::string sizeText(const std::array<unsigned int, 3>& size);
/// "0.7,0.7,1.5".
std::string tripleText(const Vec3& v);

/// Flips the first two axes (x and y) of a position or a direction between RAS and LPS; the
/// conversion is its own inverse.
Vec3 flipRasLps(const Vec3& v);

}  // namespace angiolith::tool

#endif
