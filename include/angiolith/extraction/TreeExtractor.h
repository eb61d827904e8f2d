#ifndef ANGIOLITH_EXTRACTION_TREEEXTRACTOR_H
#define ANGIOLITH_EXTRACTION_TREEEXTRACTOR_H

#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/Point3D.h>
#include <angiolith/tree/ArVesselTree.h>

#include <list>

/// Turns a skeleton into a vessel tree.
class TreeExtractor {
public:
    virtual ~TreeExtractor();
    /// A tree from @p theSkelVol with the distance values of @p skeletalVoxels.
    virtual ArVesselTree getTree(VolumeAccessor<unsigned char>* theSkelVol,
                                 std::list<DistancePoint3D*>* skeletalVoxels,
                                 Point3D* start = nullptr) = 0;
    /// A tree from @p theSkelVol with the distance values of @p distanceField.
    virtual ArVesselTree getTreeDF(VolumeAccessor<unsigned char>* theSkelVol,
                                   VolumeAccessor<float>* distanceField,
                                   Point3D* start = nullptr) = 0;
};

#endif
