#include "angiolith/Volume.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace angiolith::tool {

namespace {

// Non-zero marks an object voxel; a float NaN (no value) does not.
template <typename T>
bool isObject(T value) {
    return value != 0 && value == value;
}

template <typename T>
unsigned long long countNonZeroOf(const void* data, unsigned long long n) {
    const T* values = static_cast<const T*>(data);
    unsigned long long count = 0;
    for (unsigned long long i = 0; i < n; ++i) count += isObject(values[i]) ? 1 : 0;
    return count;
}

template <typename T>
void binarizeOf(const void* data, unsigned long long n, unsigned char* out) {
    const T* values = static_cast<const T*>(data);
    for (unsigned long long i = 0; i < n; ++i) out[i] = isObject(values[i]) ? 1 : 0;
}

// Calls f.template operator()<T>() with T the C++ type of the descriptor's element kind.
template <typename F>
void dispatchKind(const lumoTeskDescriptor& pic, F&& f) {
    switch (pic.type * 100 + pic.bits) {
        case lumoTeskTypeSigned * 100 + 8:
            f(std::int8_t{});
            break;
        case lumoTeskTypeSigned * 100 + 16:
            f(std::int16_t{});
            break;
        case lumoTeskTypeSigned * 100 + 32:
            f(std::int32_t{});
            break;
        case lumoTeskTypeUnsigned * 100 + 8:
            f(std::uint8_t{});
            break;
        case lumoTeskTypeUnsigned * 100 + 16:
            f(std::uint16_t{});
            break;
        case lumoTeskTypeUnsigned * 100 + 32:
            f(std::uint32_t{});
            break;
        case lumoTeskTypeFloat * 100 + 32:
            f(float{});
            break;
        case lumoTeskTypeFloat * 100 + 64:
            f(double{});
            break;
        default:
            break;
    }
}

unsigned long long elementCount(const lumoTeskDescriptor& pic) {
    return static_cast<unsigned long long>(pic.n[0]) * pic.n[1] * pic.n[2];
}

}  // namespace

DescriptorPtr makeDescriptor(lumoTeskType_t type, unsigned int bits,
                             const std::array<unsigned int, 3>& size) {
    DescriptorPtr pic(lumoTeskNew());
    if (!pic) throw std::bad_alloc();
    pic->type = type;
    pic->bits = bits;
    pic->dim = 3;
    for (unsigned int& n : pic->n) n = 0;
    for (int i = 0; i < 3; ++i) pic->n[i] = size[i];
    const unsigned long long n = static_cast<unsigned long long>(size[0]) * size[1] * size[2];
    pic->data = std::calloc(n == 0 ? 1 : n, bits / 8);
    if (pic->data == nullptr) throw std::bad_alloc();
    return pic;
}

bool isSupportedKind(lumoTeskType_t type, unsigned int bits) {
    if (type == lumoTeskTypeSigned || type == lumoTeskTypeUnsigned) {
        return bits == 8 || bits == 16 || bits == 32;
    }
    return type == lumoTeskTypeFloat && (bits == 32 || bits == 64);
}

std::string kindName(lumoTeskType_t type, unsigned int bits) {
    const std::string b = std::to_string(bits);
    switch (type) {
        case lumoTeskTypeSigned:
            return "int" + b;
        case lumoTeskTypeUnsigned:
            return "uint" + b;
        case lumoTeskTypeFloat:
            return "float" + b;
        default:
            return "kind " + std::to_string(static_cast<int>(type)) + "/" + b;
    }
}

unsigned long long countNonZero(const lumoTeskDescriptor& pic) {
    unsigned long long count = 0;
    dispatchKind(
        pic, [&](auto tag) { count = countNonZeroOf<decltype(tag)>(pic.data, elementCount(pic)); });
    return count;
}

DescriptorPtr binarize(const lumoTeskDescriptor& pic) {
    DescriptorPtr out = makeDescriptor(lumoTeskTypeUnsigned, 8, {pic.n[0], pic.n[1], pic.n[2]});
    unsigned char* values = static_cast<unsigned char*>(out->data);
    dispatchKind(pic,
                 [&](auto tag) { binarizeOf<decltype(tag)>(pic.data, elementCount(pic), values); });
    return out;
}

}  // namespace angiolith::tool
