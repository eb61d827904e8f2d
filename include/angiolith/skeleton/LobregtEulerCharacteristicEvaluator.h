#ifndef ANGIOLITH_SKELETON_LOBREGTEULERCHARACTERISTICEVALUATOR_H
#define ANGIOLITH_SKELETON_LOBREGTEULERCHARACTERISTICEVALUATOR_H

#include <angiolith/skeleton/EulerCharacteristicEvaluator.h>

/// Local Euler characteristic test after S. Lobregt, P. W. Verbeek and F. C. A. Groen,
/// "Three-dimensional skeletonization: principle and algorithm", IEEE Transactions on Pattern
/// Analysis and Machine Intelligence 2(1), 1980, pp. 75-77.
///
/// The Euler characteristic of an object taken as a union of closed unit cubes is a sum of
/// contributions of the lattice corners, each depending only on the 2 x 2 x 2 voxels around
/// the corner. Removing the centre voxel changes only the contributions of its eight corners,
/// so the test compares, for each of the eight octants around the centre, the corner's value
/// with the centre set and cleared.
class LobregtEulerCharacteristicEvaluator : public EulerCharacteristicEvaluator {
public:
    ~LobregtEulerCharacteristicEvaluator() override;
    bool changesEulerCharacteristic(unsigned char* nb) override;
    /// Eight times the contribution of one lattice corner, for the 2 x 2 x 2 block whose voxels
    /// are given in bit order 0 to 7 (borrowed; nonzero is object). Bit 0 is the voxel at the
    /// block's larger x, bit 1 at its smaller z, bit 2 at its smaller y. Range -6 to 4.
    virtual int getOctantValue(int* v0, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6,
                               int* v7);
};

#endif
