#ifndef ANGIOLITH_SKELETON_SIMPLEPOINTEVALUATOR_H
#define ANGIOLITH_SKELETON_SIMPLEPOINTEVALUATOR_H

/// The deletability test of the thinning: may the voxel whose 26 neighbour values are given be
/// removed without changing the topology of the object or shortening a branch?
///
/// Neighbourhood arrays throughout the skeletonizer hold the 3 x 3 x 3 cube around a voxel
/// without its centre: z from +1 down to -1 (outer), y from +1 down to -1, x from -1 up to +1
/// (inner). Index 4 is +z, 21 is -z, 12 is -x, 13 is +x, 10 is +y, 15 is -y.
class SimplePointEvaluator {
public:
    virtual ~SimplePointEvaluator() = default;
    /// @p nb: 26 neighbour values (borrowed); nonzero is object.
    virtual bool isSimplePoint(unsigned char* nb) = 0;
};

#endif
