#include "Arrays.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <sstream>

namespace angiolith::python {

namespace {

// The largest extent the library's 16-bit signed voxel coordinates address.
constexpr unsigned int kMaxExtent = std::numeric_limits<short>::max();

// Non-zero marks an object voxel; a NaN (no value) does not.
template <typename T>
bool isObject(T value) {
    return value != 0 && value == value;
}

// Byte strides of the array along the library's x, y and z.
std::array<py::ssize_t, 3> libraryStrides(const py::array& array, Axes axes) {
    const std::array<py::ssize_t, 3> s{array.strides(0), array.strides(1), array.strides(2)};
    return toLibraryOrder(s, axes);
}

template <typename T>
unsigned long long binarizeOf(const char* base, const std::array<unsigned int, 3>& n,
                              const std::array<py::ssize_t, 3>& stride, unsigned char* out) {
    unsigned long long count = 0;
    for (unsigned int z = 0; z < n[2]; ++z) {
        for (unsigned int y = 0; y < n[1]; ++y) {
            const char* row = base + z * stride[2] + y * stride[1];
            for (unsigned int x = 0; x < n[0]; ++x, ++out) {
                T value;
                std::memcpy(&value, row + x * stride[0], sizeof(T));
                *out = isObject(value) ? 1 : 0;
                count += *out;
            }
        }
    }
    return count;
}

Volume borrow(const py::array& elements, lumoTeskType_t type, unsigned int bits,
              const Geometry& geometry) {
    DescriptorPtr pic(lumoTeskNew());
    if (!pic) throw std::bad_alloc();
    pic->type = type;
    pic->bits = bits;
    pic->dim = 3;
    for (int i = 0; i < 3; ++i) pic->n[i] = geometry.size[i];
    pic->data = const_cast<void*>(elements.data());
    return {std::move(pic), geometry};
}

// The array in the library's layout with element type T: the array itself when it already
// is (aligned, native byte order), otherwise NumPy's converted copy.
template <typename T>
py::array libraryLayout(const py::array& array, Axes axes) {
    if (axes == Axes::Xyz) {
        return py::array_t<T, py::array::f_style | py::array::forcecast>::ensure(array);
    }
    return py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(array);
}

}  // namespace

Axes axesOf(const std::string& name) {
    if (name == "xyz") return Axes::Xyz;
    if (name == "zyx") return Axes::Zyx;
    throw py::value_error(
        "axes must be 'xyz' (arrays indexed [x, y, z], as nibabel gives them) "
        "or 'zyx' (indexed [z, y, x], as SimpleITK and scikit-image), got '" +
        name + "'");
}

std::string tupleText(const py::handle& sequence) {
    return py::str(py::tuple(py::reinterpret_borrow<py::object>(sequence)));
}

std::array<double, 3> spacingOf(const py::handle& spacing, Axes axes) {
    if (!py::isinstance<py::sequence>(spacing) && !py::isinstance<py::array>(spacing)) {
        throw py::type_error("spacing must be a sequence of three numbers (mm per voxel), got " +
                             std::string(py::str(py::type::of(spacing).attr("__name__"))));
    }
    const py::list values(py::reinterpret_borrow<py::object>(spacing));
    if (values.size() != 3) {
        throw py::value_error("spacing must have 3 values, one per axis, got " +
                              std::to_string(values.size()) + ": " + tupleText(values));
    }
    std::array<double, 3> result{};
    for (std::size_t i = 0; i < 3; ++i) {
        try {
            result[i] = values[i].cast<double>();
        } catch (const py::cast_error&) {
            throw py::type_error("spacing must be three numbers, got " + tupleText(values));
        }
        if (!(result[i] > 0.0) || !std::isfinite(result[i])) {
            throw py::value_error("spacing must be positive and finite on every axis, got " +
                                  tupleText(values));
        }
    }
    return toLibraryOrder(result, axes);
}

py::array numericArray(const py::handle& object, const char* name) {
    py::array array = py::array::ensure(object);
    if (!array) {
        PyErr_Clear();
        throw py::type_error(std::string(name) + " must be a NumPy array, got " +
                             std::string(py::str(py::type::of(object).attr("__name__"))));
    }
    const char kind = array.dtype().kind();
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') {
        throw py::type_error(std::string(name) +
                             " must hold numbers (bool, integer or floating point), got dtype " +
                             std::string(py::str(array.dtype())));
    }
    return array;
}

std::array<unsigned int, 3> gridOf(const py::array& array, Axes axes, const char* name) {
    if (array.ndim() != 3) {
        throw py::value_error(std::string(name) + " must be a 3-D array, got " +
                              std::to_string(array.ndim()) + " dimension(s) (shape " +
                              tupleText(array.attr("shape")) + ")");
    }
    std::array<unsigned int, 3> shape{};
    for (int i = 0; i < 3; ++i) {
        const auto n = array.shape(i);
        if (n == 0 || n > static_cast<py::ssize_t>(kMaxExtent)) {
            throw py::value_error(
                std::string(name) + " has shape " + tupleText(array.attr("shape")) +
                "; every extent must lie between 1 and " + std::to_string(kMaxExtent));
        }
        shape[i] = static_cast<unsigned int>(n);
    }
    return toLibraryOrder(shape, axes);
}

DescriptorPtr binarized(const py::array& given, Axes axes, unsigned long long& nonZero) {
    py::array array = given;
    // Floating point other than 4 and 8 bytes, and foreign byte order, go through NumPy once.
    const py::dtype dtype = array.dtype();
    if (dtype.byteorder() == '>' ||
        (dtype.kind() == 'f' && dtype.itemsize() != 4 && dtype.itemsize() != 8)) {
        array = libraryLayout<double>(array, axes);
    }
    const std::array<unsigned int, 3> n = gridOf(array, axes, "mask");
    DescriptorPtr out = tool::makeDescriptor(lumoTeskTypeUnsigned, 8, n);
    const auto* base = static_cast<const char*>(array.data());
    const auto stride = libraryStrides(array, axes);
    auto* values = static_cast<unsigned char*>(out->data);
    const char kind = array.dtype().kind();
    const auto size = array.dtype().itemsize();
    py::gil_scoped_release release;
    auto run = [&](auto tag) { return binarizeOf<decltype(tag)>(base, n, stride, values); };
    if (kind == 'f') {
        nonZero = size == 4 ? run(float{}) : run(double{});
    } else if (size == 1) {
        nonZero = run(std::uint8_t{});
    } else if (size == 2) {
        nonZero = run(std::uint16_t{});
    } else if (size == 4) {
        nonZero = run(std::uint32_t{});
    } else {
        nonZero = run(std::uint64_t{});
    }
    return out;
}

ArrayVolume::ArrayVolume(const py::array& array, Axes axes, lumoTeskType_t type, unsigned int bits,
                         const Geometry& geometry) {
    if (type == lumoTeskTypeFloat && bits == 32) {
        elements = libraryLayout<float>(array, axes);
    } else if (type == lumoTeskTypeUnsigned && bits == 16) {
        elements = libraryLayout<std::uint16_t>(array, axes);
    } else {
        throw std::logic_error("ArrayVolume: unsupported element kind");
    }
    if (!elements) {
        PyErr_Clear();
        throw py::type_error("cannot convert an array of dtype " +
                             std::string(py::str(array.dtype())) +
                             " to the library's element type");
    }
    view = borrow(elements, type, bits, geometry);
}

ArrayVolume::~ArrayVolume() {
    // The elements are the array's: the descriptor lets go of them before it is freed.
    if (view.pic) view.pic->data = nullptr;
}

py::array takeElements(lumoTeskDescriptor& descriptor, Axes axes) {
    lumoTeskDescriptor* pic = &descriptor;
    py::dtype dtype = pic->type == lumoTeskTypeFloat ? py::dtype::of<float>()
                      : pic->bits == 16              ? py::dtype::of<std::uint16_t>()
                                                     : py::dtype::of<std::uint8_t>();
    const auto item = static_cast<py::ssize_t>(pic->bits / 8);
    const py::ssize_t nx = pic->n[0], ny = pic->n[1], nz = pic->n[2];
    void* data = pic->data;
    py::capsule owner(data, [](void* p) { std::free(p); });
    pic->data = nullptr;
    if (axes == Axes::Xyz) {
        return py::array(dtype, {nx, ny, nz}, {item, item * nx, item * nx * ny}, data, owner);
    }
    return py::array(dtype, {nz, ny, nx}, {item * nx * ny, item * nx, item}, data, owner);
}

Geometry geometryOf(const std::array<unsigned int, 3>& size, const std::array<double, 3>& spacing) {
    Geometry geometry;
    geometry.size = size;
    geometry.spacing = spacing;
    return geometry;
}

}  // namespace angiolith::python
