#ifndef ANGIOLITH_ANGIOLITH_H
#define ANGIOLITH_ANGIOLITH_H

// Umbrella header: every public header of the library, and nothing else.

#include <angiolith/image/ThreeDPicAccessor.h>
#include <angiolith/image/VolumeAccessor.h>
#include <angiolith/image/lumoKralConvert.h>
#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/tree/Vector3.h>

#endif
