#include <angiolith/detail/Fatal.h>
#include <angiolith/image/detail/AccessorInput.h>
#include <angiolith/image/lumoTeskDescriptor.h>

namespace angiolith::detail {

void requireThreeDimensional(const lumoTeskDescriptor* pic, const char* ifNull,
                             const char* ifNotThreeDimensional) {
    if (pic == nullptr) fatalInput(ifNull);
    if (pic->dim != 3) fatalInput(ifNotThreeDimensional);
}

}  // namespace angiolith::detail
