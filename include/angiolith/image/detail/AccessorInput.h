#ifndef ANGIOLITH_IMAGE_DETAIL_ACCESSORINPUT_H
#define ANGIOLITH_IMAGE_DETAIL_ACCESSORINPUT_H

struct lumoTeskDescriptor;

namespace angiolith::detail {

/// The accessors' check of the descriptor they wrap: a fatal input error (`fatalInput`) with
/// @p ifNull for a null @p pic, with @p ifNotThreeDimensional when its dim is not 3. Kept out of
/// line so that the accessor templates need nothing of the error channel's machinery.
void requireThreeDimensional(const lumoTeskDescriptor* pic, const char* ifNull,
                             const char* ifNotThreeDimensional);

}  // namespace angiolith::detail

#endif
