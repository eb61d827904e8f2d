#include "cli/Volume.h"

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

unsigned long long elementCount(const lumoTeskDescriptor& pic) {
    return static_cast<unsigned long long>(pic.n[0]) * pic.n[1] * pic.n[2];
}

}  // namespace

DescriptorPtr makeDescriptor(lumoTeskType_t type, unsigned int bits,
                             const std::array<unsigned int, 3>& size) {
    DescriptorPtr pic = angiolith::detail::makeZeroVolume(type, bits, size[0], size[1], size[2]);
    if (!pic) throw std::bad_alloc();
    return pic;
}

std::string kindName(lumoTeskType_t type, unsigned int bits) {
    const int index = angiolith::detail::kindIndex(type, bits);
    if (index >= 0) return angiolith::detail::kElementKinds[index].name;
    return "kind " + std::to_string(static_cast<int>(type)) + "/" + std::to_string(bits);
}

unsigned long long countNonZero(const lumoTeskDescriptor& pic) {
    unsigned long long count = 0;
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        count = countNonZeroOf<decltype(tag)>(pic.data, elementCount(pic));
    });
    return count;
}

DescriptorPtr binarize(const lumoTeskDescriptor& pic) {
    DescriptorPtr out = makeDescriptor(lumoTeskTypeUnsigned, 8, {pic.n[0], pic.n[1], pic.n[2]});
    unsigned char* values = static_cast<unsigned char*>(out->data);
    angiolith::detail::visitKind(pic.type, pic.bits, [&](auto tag) {
        binarizeOf<decltype(tag)>(pic.data, elementCount(pic), values);
    });
    return out;
}

}  // namespace angiolith::tool
