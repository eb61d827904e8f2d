#ifndef ANGIOLITH_SRC_IMAGE_DESCRIPTORINTERNALS_H
#define ANGIOLITH_SRC_IMAGE_DESCRIPTORINTERNALS_H

#include <angiolith/image/lumoTeskDescriptor.h>

namespace angiolith::detail {

/// True when the element buffer's true size, (bits / 8) times the product of n[0..dim-1], is
/// what the 32-bit _lumoTeskSize reports. When it is not, the 32-bit element count and byte
/// size have wrapped around, and a buffer sized by them would be smaller than the image.
bool sizeFitsUnsigned32(const lumoTeskDescriptor* pic);

/// Copies the 32 characters of the version text, a deep copy of the tag list and infoFlag from
/// @p source to @p target (both borrowed). Tags the target held before are released. Does
/// nothing when either descriptor or its info record is missing.
void copyInfoRecord(lumoTeskDescriptor* target, const lumoTeskDescriptor* source);

/// A copy of @p pic (borrowed, not null) without its elements: header, version text, tags and
/// infoFlag, with an element buffer of the same size left uninitialised for the caller to fill
/// (data null when @p pic has none). Null when an allocation fails or the element buffer's size
/// does not fit 32 bits. Caller frees (lumoTeskFree).
lumoTeskDescriptor* cloneLayout(const lumoTeskDescriptor* pic);

}  // namespace angiolith::detail

#endif
