#ifndef ANGIOLITH_EXTRACTION_SHORTVECTORLIST_H
#define ANGIOLITH_EXTRACTION_SHORTVECTORLIST_H

#include <angiolith/tree/Vector3.h>

#include <vector>

/// A growable array of voxel coordinates, appended at the end and indexed from 0: the node list
/// of a branching cluster and the neighbour lists of the extraction.
using ShortVectorList = std::vector<Vector3<short>>;

#endif
