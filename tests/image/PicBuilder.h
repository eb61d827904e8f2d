#ifndef ANGIOLITH_TESTS_IMAGE_PICBUILDER_H
#define ANGIOLITH_TESTS_IMAGE_PICBUILDER_H

#include <angiolith/image/lumoTeskDescriptor.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace angiolith::test {

struct PicDeleter {
    void operator()(lumoTeskDescriptor* pic) const { lumoTeskFree(pic); }
};
using PicPtr = std::unique_ptr<lumoTeskDescriptor, PicDeleter>;

/// A descriptor of the given kind and extents whose element buffer (malloc) holds @p values.
template <typename T>
PicPtr makePic(lumoTeskType_t type, unsigned int bits, std::vector<unsigned int> extents,
               const std::vector<T>& values) {
    PicPtr pic(lumoTeskNew());
    pic->type = type;
    pic->bits = bits;
    pic->dim = static_cast<unsigned int>(extents.size());
    for (std::size_t i = 0; i < extents.size() && i < 8; ++i) pic->n[i] = extents[i];
    pic->data = std::malloc(values.empty() ? 1 : values.size() * sizeof(T));
    if (!values.empty()) std::memcpy(pic->data, values.data(), values.size() * sizeof(T));
    return pic;
}

/// A tag record (calloc) named @p name holding @p value, ready for lumoTeskAddTag.
inline lumoTeskTag_t* makeTag(const char* name, const std::vector<unsigned char>& value) {
    auto* tag = static_cast<lumoTeskTag_t*>(std::calloc(1, sizeof(lumoTeskTag_t)));
    std::strncpy(tag->tag, name, 32);
    tag->type = lumoTeskTypeUnsigned;
    tag->bits = 8;
    tag->dim = 1;
    tag->n[0] = static_cast<unsigned int>(value.size());
    tag->value = std::malloc(value.size());
    std::memcpy(tag->value, value.data(), value.size());
    return tag;
}

/// A tag record whose value is the nested list @p list (taken over).
inline lumoTeskTag_t* makeListTag(const char* name, lumoTeskTagLink_t* list) {
    auto* tag = static_cast<lumoTeskTag_t*>(std::calloc(1, sizeof(lumoTeskTag_t)));
    std::strncpy(tag->tag, name, 32);
    tag->type = lumoTeskTypeTagList;
    tag->value = list;
    return tag;
}

}  // namespace angiolith::test

#endif
