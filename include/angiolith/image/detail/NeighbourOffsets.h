#ifndef ANGIOLITH_IMAGE_DETAIL_NEIGHBOUROFFSETS_H
#define ANGIOLITH_IMAGE_DETAIL_NEIGHBOUROFFSETS_H

namespace angiolith::detail {

/// Offsets (dx, dy, dz) of the six face neighbours in reading order: +z, -z, -x, +x, +y, -y.
inline constexpr int kFaceOffsets[6][3] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0},
                                           {1, 0, 0}, {0, 1, 0},  {0, -1, 0}};

/// Offsets (dx, dy, dz) of the 26 neighbours: dz from +1 down to -1 (outer), dy from +1 down to
/// -1, dx from -1 up to +1 (inner), the centre left out. Index 4 is +z, 12 is -x, 13 is +x,
/// 10 is +y, 15 is -y, 21 is -z.
struct NeighbourOffsets26 {
    int d[26][3];
    constexpr NeighbourOffsets26() : d{} {
        int k = 0;
        for (int dz = 1; dz >= -1; --dz) {
            for (int dy = 1; dy >= -1; --dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0 && dz == 0) continue;
                    d[k][0] = dx;
                    d[k][1] = dy;
                    d[k][2] = dz;
                    ++k;
                }
            }
        }
    }
};
inline constexpr NeighbourOffsets26 kNeighbourOffsets26{};

}  // namespace angiolith::detail

#endif
