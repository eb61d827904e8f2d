#ifndef ANGIOLITH_IMAGE_DETAIL_ELEMENTKINDS_H
#define ANGIOLITH_IMAGE_DETAIL_ELEMENTKINDS_H

/// @file
/// The element kinds a descriptor may hold, as one table: the C++ type of each kind with its
/// descriptor type and width, its NIfTI datatype code, its NRRD type name and a readable name.
/// Every switch from element kind to C++ type (conversion, file readers and writers, tests)
/// goes through this table, so that adding a kind is adding a row. Also the owning descriptor
/// pointer and the zero-filled 3-D volume factory that library, tool and tests share.

#include <angiolith/image/lumoTeskDescriptor.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

namespace angiolith::detail {

/// One element kind.
struct ElementKind {
    lumoTeskType_t type;   ///< the descriptor's element type
    unsigned int bits;     ///< the descriptor's bits per element
    int niftiDatatype;     ///< the NIfTI-1/NIfTI-2 `datatype` code
    const char* nrrdType;  ///< the NRRD header's `type:` name
    const char* name;      ///< readable name, as messages print it
};

/// A row of the table: an element kind and its C++ type.
template <typename T>
struct ElementKindRow {
    using Element = T;
    ElementKind kind;
};

/// The eight element kinds the library converts, in the conversion's order (signed, unsigned,
/// floating point; narrow to wide).
inline constexpr std::tuple kElementKindRows{
    ElementKindRow<std::int8_t>{{lumoTeskTypeSigned, 8, 256, "int8", "int8"}},
    ElementKindRow<std::int16_t>{{lumoTeskTypeSigned, 16, 4, "int16", "int16"}},
    ElementKindRow<std::int32_t>{{lumoTeskTypeSigned, 32, 8, "int32", "int32"}},
    ElementKindRow<std::uint8_t>{{lumoTeskTypeUnsigned, 8, 2, "uint8", "uint8"}},
    ElementKindRow<std::uint16_t>{{lumoTeskTypeUnsigned, 16, 512, "uint16", "uint16"}},
    ElementKindRow<std::uint32_t>{{lumoTeskTypeUnsigned, 32, 768, "uint32", "uint32"}},
    ElementKindRow<float>{{lumoTeskTypeFloat, 32, 16, "float", "float32"}},
    ElementKindRow<double>{{lumoTeskTypeFloat, 64, 64, "double", "float64"}},
};

inline constexpr std::size_t kElementKindCount = std::tuple_size_v<decltype(kElementKindRows)>;

/// The kinds of the table without their C++ types, indexable at run time.
inline constexpr std::array<ElementKind, kElementKindCount> kElementKinds = std::apply(
    [](const auto&... row) { return std::array<ElementKind, sizeof...(row)>{row.kind...}; },
    kElementKindRows);

/// Index of (type, bits) in the table, -1 for a pair that is no supported kind.
constexpr int kindIndex(lumoTeskType_t type, unsigned int bits) {
    for (std::size_t i = 0; i < kElementKindCount; ++i) {
        if (kElementKinds[i].type == type && kElementKinds[i].bits == bits) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

/// Index of the kind with NIfTI datatype code @p datatype, -1 for none.
constexpr int kindIndexOfNifti(int datatype) {
    for (std::size_t i = 0; i < kElementKindCount; ++i) {
        if (kElementKinds[i].niftiDatatype == datatype) return static_cast<int>(i);
    }
    return -1;
}

/// Index of the kind whose C++ type is @p T, -1 for none.
template <typename T>
constexpr int kindIndexOf() {
    return std::apply(
        [](const auto&... row) {
            int index = -1, i = 0;
            ((std::is_same_v<typename std::decay_t<decltype(row)>::Element, T> ? (index = i) : 0,
              ++i),
             ...);
            return index;
        },
        kElementKindRows);
}

/// The kind whose C++ type is @p T (a compile error for a type without a row).
template <typename T>
constexpr const ElementKind& kindOf() {
    static_assert(kindIndexOf<T>() >= 0, "no element kind has this C++ type");
    return kElementKinds[kindIndexOf<T>()];
}

/// Calls @p f with a value-initialised object of the C++ type of kind @p index, so that a loop
/// is instantiated once per element type instead of switching per element. False, without a
/// call, when @p index is no kind's.
template <typename F>
bool visitKindAt(int index, F&& f) {
    return std::apply(
        [&](const auto&... row) {
            int i = 0;
            return ((i++ == index ? (f(typename std::decay_t<decltype(row)>::Element{}), true)
                                  : false) ||
                    ...);
        },
        kElementKindRows);
}

/// The same for the kind (type, bits).
template <typename F>
bool visitKind(lumoTeskType_t type, unsigned int bits, F&& f) {
    return visitKindAt(kindIndex(type, bits), std::forward<F>(f));
}

/// Releases a descriptor with lumoTeskFree.
struct DescriptorFree {
    void operator()(lumoTeskDescriptor* pic) const noexcept { lumoTeskFree(pic); }
};

/// A descriptor owned by its holder.
using DescriptorPtr = std::unique_ptr<lumoTeskDescriptor, DescriptorFree>;

/// A new 3-D descriptor of kind (type, bits) and extents nx x ny x nz whose element buffer
/// (calloc) is zero-filled, or null when it cannot be allocated or the kind is unsupported.
/// An empty volume gets a one-element buffer, so that its data pointer is never null.
DescriptorPtr makeZeroVolume(lumoTeskType_t type, unsigned int bits, unsigned int nx,
                             unsigned int ny, unsigned int nz);

/// The same for the kind of the C++ type @p T.
template <typename T>
DescriptorPtr makeZeroVolume(unsigned int nx, unsigned int ny, unsigned int nz) {
    return makeZeroVolume(kindOf<T>().type, kindOf<T>().bits, nx, ny, nz);
}

}  // namespace angiolith::detail

#endif
