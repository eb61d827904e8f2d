#include "image/DescriptorInternals.h"

#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoKralConvert.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

thread_local int lumoKralErrno = 0;

namespace {

constexpr int kErrNullPic = 2;
constexpr int kErrDim = 3;
constexpr int kErrExtent = 4;
constexpr int kErrAlloc = 6;
constexpr int kErrNewPic = 7;
constexpr int kErrKind = 8;
constexpr int kErrTarget = 11;

using angiolith::detail::DescriptorPtr;
using angiolith::detail::kindIndex;
using angiolith::detail::visitKindAt;

/// The ordinary numeric conversion to D. A NaN has no integer value: it becomes 0. Every other
/// value reaching this function lies in the target's range (the callers make sure of it), so
/// the conversion is defined: integers keep their value, floating point truncates toward zero
/// for integer targets and rounds to nearest for floating-point targets.
template <typename D, typename S>
D convertValue(S v) {
    if constexpr (std::is_floating_point_v<S> && std::is_integral_v<D>) {
        if (v != v) return D{0};
    }
    return static_cast<D>(v);
}

template <typename S, typename D>
void convertPlain(const S* src, D* dst, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) dst[i] = convertValue<D>(src[i]);
}

/// Values at or beyond the target range become its ends; ±inf land there too. The range ends
/// of every supported kind are exact doubles that the target type represents.
template <typename S, typename D>
void convertClamped(const S* src, D* dst, std::size_t count, double minGv, double maxGv) {
    for (std::size_t i = 0; i < count; ++i) {
        double v = static_cast<double>(src[i]);
        if (v >= maxGv) {
            v = maxGv;
        } else if (v <= minGv) {
            v = minGv;
        }
        dst[i] = convertValue<D>(v);
    }
}

}  // namespace

void _lumoKralSetErrno(int error) { lumoKralErrno = error; }

int _lumoKralPicCheck(lumoTeskDescriptor* pic) {
    if (pic == nullptr) {
        _lumoKralSetErrno(kErrNullPic);
        return 0;
    }
    if (pic->dim - 1 > 7) {
        _lumoKralSetErrno(kErrDim);
        return 0;
    }
    for (unsigned int i = 0; i < pic->dim; ++i) {
        if (pic->n[i] == 0) {
            _lumoKralSetErrno(kErrExtent);
            return 0;
        }
    }
    for (unsigned int i = pic->dim; i < 8; ++i) pic->n[i] = 0;
    if (kindIndex(pic->type, pic->bits) < 0) {
        _lumoKralSetErrno(kErrKind);
        return 0;
    }
    return 1;
}

int _lumoKralExtT(lumoTeskType_t type, unsigned int bits, double* min, double* max) {
    if (kindIndex(type, bits) < 0) {
        _lumoKralSetErrno(kErrKind);
        return 0;
    }
    if (type == lumoTeskTypeFloat) {
        // The largest single-precision value, for both widths.
        double m = 1.0;
        for (int i = 0; i < 127; ++i) m *= 2.0;
        m *= 2.0 - 1.0 / 8388608.0;  // (2 - 2^-23) * 2^127
        *max = m;
        *min = -m;
        return 1;
    }
    double p = 1.0;
    const unsigned int exponent = type == lumoTeskTypeSigned ? bits - 1 : bits;
    for (unsigned int i = 0; i < exponent; ++i) p *= 2.0;
    *max = p - 1.0;
    // Signed ranges are symmetric: the two's-complement minimum is left out.
    *min = type == lumoTeskTypeSigned ? -*max : 0.0;
    return 1;
}

int lumoKralExtr(lumoTeskDescriptor* pic, double* min, double* max) {
    if (_lumoKralPicCheck(pic) == 0) return 0;
    if (pic->data == nullptr) {
        // A descriptor without pixels has no range.
        _lumoKralSetErrno(kErrNullPic);
        return 0;
    }
    if (!angiolith::detail::sizeFitsUnsigned32(pic)) {
        // The 32-bit element count has wrapped: it no longer says how much the buffer holds.
        _lumoKralSetErrno(kErrAlloc);
        return 0;
    }
    const std::size_t count = _lumoTeskElements(pic);
    visitKindAt(kindIndex(pic->type, pic->bits), [&](auto tag) {
        using S = decltype(tag);
        const S* src = static_cast<const S*>(pic->data);
        double lo = static_cast<double>(src[0]);
        double hi = lo;
        for (std::size_t i = 1; i < count; ++i) {
            const double v = static_cast<double>(src[i]);
            if (v > hi) hi = v;
            if (lo > v) lo = v;
        }
        *min = lo;
        *max = hi;
    });
    return 1;
}

void _lumoKralCopyInfo(lumoTeskDescriptor* target, const lumoTeskDescriptor* source) {
    angiolith::detail::copyInfoRecord(target, source);
}

lumoTeskDescriptor* lumoKralConvert(lumoTeskDescriptor* pic_old, lumoTeskType_t type,
                                    unsigned int bits) {
    if (_lumoKralPicCheck(pic_old) == 0) return nullptr;
    const int targetKind = kindIndex(type, bits);
    if (targetKind < 0) {
        _lumoKralSetErrno(kErrTarget);
        return nullptr;
    }
    double minGv = 0.0;
    double maxGv = 0.0;
    _lumoKralExtT(type, bits, &minGv, &maxGv);
    double min = 0.0;
    double max = 0.0;
    if (pic_old->data != nullptr && lumoKralExtr(pic_old, &min, &max) == 0) return nullptr;

    DescriptorPtr pic_new(lumoTeskCopyHeader(pic_old, nullptr));
    if (pic_new == nullptr) {
        _lumoKralSetErrno(kErrNewPic);
        return nullptr;
    }
    pic_new->type = type;
    pic_new->bits = bits;
    if (pic_old->data != nullptr) {
        // The true byte size must fit the 32-bit size, or the buffer would be smaller than the
        // elements written into it.
        if (!angiolith::detail::sizeFitsUnsigned32(pic_new.get())) {
            _lumoKralSetErrno(kErrAlloc);
            return nullptr;
        }
        pic_new->data = std::malloc(_lumoTeskSize(pic_new.get()));
        if (pic_new->data == nullptr) {
            _lumoKralSetErrno(kErrAlloc);
            return nullptr;
        }
        // The values fit only when that is shown: NaN extrema take the clamped path.
        const bool fits = minGv <= min && max <= maxGv;
        const std::size_t count = _lumoTeskElements(pic_old);
        visitKindAt(kindIndex(pic_old->type, pic_old->bits), [&](auto sourceTag) {
            using S = decltype(sourceTag);
            const S* src = static_cast<const S*>(pic_old->data);
            visitKindAt(targetKind, [&](auto targetTag) {
                using D = decltype(targetTag);
                D* dst = static_cast<D*>(pic_new->data);
                if (fits) {
                    convertPlain(src, dst, count);
                } else {
                    convertClamped(src, dst, count, minGv, maxGv);
                }
            });
        });
    }
    _lumoKralCopyInfo(pic_new.get(), pic_old);
    return pic_new.release();
}
