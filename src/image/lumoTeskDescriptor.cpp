#include "image/DescriptorInternals.h"

#include <angiolith/image/lumoTeskDescriptor.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kDefaultVersion[33] = "ZEL VERSION 3.00                ";

/// Product of the first @p dim extents in 64 bits (0 for dim 0, as _lumoTeskElements), capped at
/// 2^32 (every product of that size or more has already wrapped in 32 bits).
std::uint64_t wideProduct(unsigned int dim, const unsigned int* n) {
    if (dim == 0) return 0;
    std::uint64_t p = 1;
    for (unsigned int i = 0; i < dim && i < 8; ++i) {
        p *= n[i];
        if (p > UINT32_MAX) return static_cast<std::uint64_t>(UINT32_MAX) + 1;
    }
    return p;
}

lumoTeskTag_t* copyTagRecord(const lumoTeskTag_t* src) {
    auto* rec = static_cast<lumoTeskTag_t*>(std::calloc(1, sizeof(lumoTeskTag_t)));
    if (rec == nullptr) return nullptr;
    std::memcpy(rec->tag, src->tag, 32);
    rec->tag[32] = '\0';
    rec->type = src->type;
    rec->bits = src->bits;
    rec->dim = src->dim;
    for (unsigned int i = 0; i < src->dim && i < 8; ++i) rec->n[i] = src->n[i];
    if (src->type == lumoTeskTypeTagList) {
        rec->value = _lumoTeskCopyTagList(static_cast<const lumoTeskTagLink_t*>(src->value));
    } else if (src->value != nullptr) {
        const unsigned int size = _lumoTeskTSVSize(src);
        rec->value = size == 0 ? nullptr : std::malloc(size);
        if (rec->value != nullptr) std::memcpy(rec->value, src->value, size);
    }
    return rec;
}

}  // namespace

lumoTeskDescriptor* lumoTeskNew() {
    auto* pic = static_cast<lumoTeskDescriptor*>(std::malloc(sizeof(lumoTeskDescriptor)));
    if (pic == nullptr) return nullptr;
    pic->data = nullptr;
    pic->type = lumoTeskTypeNone;
    // bits, dim and n are the caller's to set; zero them so that a forgetful caller reads no
    // indeterminate values.
    pic->bits = 0;
    pic->dim = 0;
    std::memset(pic->n, 0, sizeof(pic->n));
    pic->info = static_cast<lumoTeskInfoBlock_t*>(std::malloc(sizeof(lumoTeskInfoBlock_t)));
    if (pic->info == nullptr) {
        std::free(pic);
        return nullptr;
    }
    std::memcpy(pic->info->version, kDefaultVersion, 32);
    pic->info->tagList = nullptr;
    pic->info->infoFlag = 0;
    pic->info->pixelsStart = 0;
    pic->info->tagsStart = 0;
    pic->info->writeable = 1;
    return pic;
}

void lumoTeskClear(lumoTeskDescriptor* pic) {
    if (pic == nullptr) return;
    if (pic->data != nullptr) {
        std::free(pic->data);
        pic->data = nullptr;
    }
    if (pic->info != nullptr) {
        _lumoTeskReleaseTagList(pic->info->tagList);
        pic->info->tagList = nullptr;
    }
    pic->type = lumoTeskTypeNone;
}

void lumoTeskFree(lumoTeskDescriptor* pic) {
    if (pic == nullptr) return;
    lumoTeskClear(pic);
    std::free(pic->info);
    std::free(pic);
}

lumoTeskDescriptor* lumoTeskCopyHeader(const lumoTeskDescriptor* pic, lumoTeskDescriptor* pic_new) {
    if (pic_new == nullptr) pic_new = lumoTeskNew();
    if (pic_new == nullptr) return nullptr;
    lumoTeskClear(pic_new);
    pic_new->type = pic->type;
    pic_new->bits = pic->bits;
    pic_new->dim = pic->dim;
    for (unsigned int i = 0; i < pic->dim && i < 8; ++i) pic_new->n[i] = pic->n[i];
    return pic_new;
}

lumoTeskDescriptor* lumoTeskClone(const lumoTeskDescriptor* pic) {
    lumoTeskDescriptor* pic_new = angiolith::detail::cloneLayout(pic);
    if (pic_new != nullptr && pic->data != nullptr) {
        std::memcpy(pic_new->data, pic->data, _lumoTeskSize(pic));
    }
    return pic_new;
}

namespace angiolith::detail {

bool sizeFitsUnsigned32(const lumoTeskDescriptor* pic) {
    return wideProduct(pic->dim, pic->n) * (pic->bits / 8) == _lumoTeskSize(pic);
}

void copyInfoRecord(lumoTeskDescriptor* target, const lumoTeskDescriptor* source) {
    if (target == nullptr || source == nullptr || target->info == nullptr ||
        source->info == nullptr || target->info == source->info) {
        return;
    }
    std::memcpy(target->info->version, source->info->version, 32);
    _lumoTeskReleaseTagList(target->info->tagList);
    target->info->tagList = _lumoTeskCopyTagList(source->info->tagList);
    target->info->infoFlag = source->info->infoFlag;
}

lumoTeskDescriptor* cloneLayout(const lumoTeskDescriptor* pic) {
    lumoTeskDescriptor* pic_new = lumoTeskCopyHeader(pic, nullptr);
    if (pic_new == nullptr) return nullptr;
    copyInfoRecord(pic_new, pic);
    if (pic->data == nullptr) {
        pic_new->data = nullptr;
        return pic_new;
    }
    // A buffer whose true size does not fit the 32-bit size cannot be copied faithfully.
    if (!sizeFitsUnsigned32(pic)) {
        lumoTeskFree(pic_new);
        return nullptr;
    }
    const unsigned int size = _lumoTeskSize(pic);
    pic_new->data = std::malloc(size == 0 ? 1 : size);
    if (pic_new->data == nullptr) {
        lumoTeskFree(pic_new);
        return nullptr;
    }
    return pic_new;
}

}  // namespace angiolith::detail

unsigned int _lumoTeskElements(const lumoTeskDescriptor* pic) {
    if (pic->dim == 0) return 0;
    unsigned int count = 1;
    for (unsigned int i = 0; i < pic->dim && i < 8; ++i) count *= pic->n[i];
    return count;
}

unsigned int _lumoTeskSize(const lumoTeskDescriptor* pic) {
    if (pic->dim == 0) return 0;
    return (pic->bits / 8) * _lumoTeskElements(pic);
}

unsigned int _lumoTeskTSVSize(const lumoTeskTag_t* tagRecord) {
    if (tagRecord->dim == 0) return 0;
    unsigned int count = 1;
    for (unsigned int i = 0; i < tagRecord->dim && i < 8; ++i) count *= tagRecord->n[i];
    return (tagRecord->bits * count) / 8;
}

lumoTeskTagLink_t* lumoTeskAddTag(lumoTeskTagLink_t* head, lumoTeskTag_t* tagRecord) {
    tagRecord->tag[32] = '\0';
    const std::size_t len = std::strlen(tagRecord->tag);
    for (std::size_t i = len; i < 32; ++i) tagRecord->tag[i] = ' ';

    auto* link = static_cast<lumoTeskTagLink_t*>(std::malloc(sizeof(lumoTeskTagLink_t)));
    if (link == nullptr) return head;
    link->tagRecord = tagRecord;
    link->prev = nullptr;
    link->next = nullptr;
    if (head == nullptr) return link;
    lumoTeskTagLink_t* last = head;
    while (last->next != nullptr) last = last->next;
    last->next = link;
    link->prev = last;
    return head;
}

lumoTeskTagLink_t* _lumoTeskCopyTagList(const lumoTeskTagLink_t* head) {
    lumoTeskTagLink_t* copy = nullptr;
    for (const lumoTeskTagLink_t* link = head; link != nullptr; link = link->next) {
        if (link->tagRecord == nullptr) continue;
        lumoTeskTag_t* rec = copyTagRecord(link->tagRecord);
        if (rec != nullptr) copy = lumoTeskAddTag(copy, rec);
    }
    return copy;
}

void _lumoTeskReleaseTagList(lumoTeskTagLink_t* head) {
    lumoTeskTagLink_t* link = head;
    while (link != nullptr) {
        lumoTeskTagLink_t* next = link->next;
        lumoTeskTag_t* rec = link->tagRecord;
        if (rec != nullptr) {
            if (rec->value != nullptr) {
                if (rec->type == lumoTeskTypeTagList) {
                    _lumoTeskReleaseTagList(static_cast<lumoTeskTagLink_t*>(rec->value));
                } else {
                    std::free(rec->value);
                }
            }
            std::free(rec);
        }
        std::free(link);
        link = next;
    }
}
