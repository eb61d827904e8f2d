#include <angiolith/image/detail/ElementKinds.h>

#include <cstdlib>

namespace angiolith::detail {

DescriptorPtr makeZeroVolume(lumoTeskType_t type, unsigned int bits, unsigned int nx,
                             unsigned int ny, unsigned int nz) {
    if (kindIndex(type, bits) < 0) return nullptr;
    DescriptorPtr pic(lumoTeskNew());
    if (!pic) return nullptr;
    pic->type = type;
    pic->bits = bits;
    pic->dim = 3;
    pic->n[0] = nx;
    pic->n[1] = ny;
    pic->n[2] = nz;
    const std::size_t count = static_cast<std::size_t>(nx) * ny * nz;
    pic->data = std::calloc(count == 0 ? 1 : count, bits / 8);
    if (pic->data == nullptr) return nullptr;
    return pic;
}

}  // namespace angiolith::detail
