#ifndef ANGIOLITH_PHANTOM_TISSUE_H
#define ANGIOLITH_PHANTOM_TISSUE_H

#include "FineSpace.h"
#include "phantom/VesselPhantom.h"

namespace angiolith::phantom {

/// A new unsigned 8-bit mask of the liver body (FineSpace::liverShape below 1) joined with the
/// vessels of @p vesselMask (borrowed, of the options' extents). Caller frees.
lumoTeskDescriptor* makeTissueMask(const FineSpace& space, const PhantomOptions& options,
                                   const lumoTeskDescriptor* vesselMask);

}  // namespace angiolith::phantom

#endif
