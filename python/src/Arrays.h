#ifndef ANGIOLITH_PYTHON_ARRAYS_H
#define ANGIOLITH_PYTHON_ARRAYS_H

#include "cli/Volume.h"

#include <array>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <string>

namespace angiolith::python {

namespace py = pybind11;
using tool::DescriptorPtr;
using tool::Geometry;
using tool::Volume;

/// How a NumPy array's indices map to the library's voxel coordinates: Xyz indexes [x, y, z]
/// (nibabel), Zyx indexes [z, y, x] (SimpleITK, scikit-image). Spacings and voxel positions
/// given by the caller follow the same order.
enum class Axes { Xyz, Zyx };

/// Parses the `axes` argument; ValueError unless it is "xyz" or "zyx".
Axes axesOf(const std::string& name);

/// A triple given in @p axes order, as (x, y, z).
template <typename T>
std::array<T, 3> toLibraryOrder(const std::array<T, 3>& v, Axes axes) {
    return axes == Axes::Xyz ? v : std::array<T, 3>{v[2], v[1], v[0]};
}

/// The voxel spacing (mm) from a sequence of three positive finite numbers in @p axes order,
/// returned as (x, y, z). TypeError for a non-sequence or non-numbers, ValueError for another
/// length or a value that is not positive and finite.
std::array<double, 3> spacingOf(const py::handle& spacing, Axes axes);

/// The library's extents (x, y, z) of a 3-D array. @p name is the argument's name in messages.
/// TypeError for a non-array, ValueError for another number of dimensions, an empty extent or an
/// extent beyond the library's 16-bit voxel coordinates.
std::array<unsigned int, 3> gridOf(const py::array& array, Axes axes, const char* name);

/// A NumPy array of a numeric dtype; TypeError for anything else.
py::array numericArray(const py::handle& object, const char* name);

/// An unsigned 8-bit volume in the library's layout holding 1 where @p array is non-zero (and
/// not NaN) and 0 elsewhere, read through the array's strides: the one copy of a mask that the
/// library needs, since it rewrites its input. Runs without the GIL. @p nonZero receives the
/// number of object voxels.
DescriptorPtr binarized(const py::array& array, Axes axes, unsigned long long& nonZero);

/// The elements of @p array as a volume of the library's layout and element kind (type, bits),
/// sharing the array's memory when its dtype and layout already match (no copy), otherwise
/// converted once by NumPy. The volume borrows its elements: they stay the array's.
class ArrayVolume {
public:
    ArrayVolume(const py::array& array, Axes axes, lumoTeskType_t type, unsigned int bits,
                const Geometry& geometry);
    ~ArrayVolume();
    ArrayVolume(const ArrayVolume&) = delete;
    ArrayVolume& operator=(const ArrayVolume&) = delete;

    const Volume& volume() const { return view; }

private:
    py::array elements;  // keeps the (converted) elements alive
    Volume view;
};

/// A NumPy array of @p pic's elements (a 3-D volume of unsigned 8- or 16-bit or float elements)
/// in @p axes order, taking over its element buffer, which the array frees: no copy, and the
/// descriptor is left without elements, so nothing of the library refers to them any more.
py::array takeElements(lumoTeskDescriptor& pic, Axes axes);

/// A geometry of the given extents and spacing (origin 0, axis-aligned).
Geometry geometryOf(const std::array<unsigned int, 3>& size, const std::array<double, 3>& spacing);

/// "(32, 32, 16)": a shape or triple as Python prints it.
std::string tupleText(const py::handle& sequence);

}  // namespace angiolith::python

#endif
