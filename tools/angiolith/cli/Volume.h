#ifndef ANGIOLITH_TOOLS_CLI_VOLUME_H
#define ANGIOLITH_TOOLS_CLI_VOLUME_H

#include "cli/Geometry.h"
#include "cli/Threads.h"

#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/image/lumoTeskDescriptor.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace angiolith::tool {

using angiolith::detail::DescriptorPtr;

/// A 3-D image as the tool handles it: the library's descriptor (elements, kind, extents) and
/// the geometry that the files carry beside it.
struct Volume {
    DescriptorPtr pic;
    Geometry geometry;
};

/// Whether a voxel of a mask is object: every non-zero value is, a float NaN (no value) is not.
template <typename T>
bool isObject(T value) {
    return value != 0 && value == value;
}

/// A new zero-filled 3-D descriptor of the given kind. Throws std::bad_alloc when the element
/// buffer cannot be allocated.
DescriptorPtr makeDescriptor(lumoTeskType_t type, unsigned int bits,
                             const std::array<unsigned int, 3>& size);

/// "uint8", "int16", "float32" ... for a supported kind, "kind T/B" for another.
std::string kindName(lumoTeskType_t type, unsigned int bits);

/// Number of non-zero elements of a descriptor of a supported kind.
unsigned long long countNonZero(const lumoTeskDescriptor& pic);

/// A new unsigned 8-bit descriptor holding 1 where @p pic (any supported kind) is non-zero
/// and 0 elsewhere: every non-zero value of a mask marks an object voxel, whatever its kind
/// (a float mask of 0.5 or a label of 300 is not lost to the conversion's truncation).
/// Runs on @p threads threads (0: every core); the result does not depend on them.
DescriptorPtr binarize(const lumoTeskDescriptor& pic, unsigned threads = workerThreads());

/// The number of distinct non-zero values among @p voxelsPerValue (the counts valueCounts16
/// returns): the vessels that occur in a vessel-ID volume.
unsigned long long countDistinctIds(const std::vector<unsigned long long>& voxelsPerValue);

/// The number of voxels of every value (indexed by value, 65536 entries) of an unsigned 16-bit
/// descriptor, counted on @p threads threads (0: every core). Throws std::invalid_argument for a
/// descriptor of another kind.
std::vector<unsigned long long> valueCounts16(const lumoTeskDescriptor& pic,
                                              unsigned threads = workerThreads());

/// A new unsigned 8-bit descriptor holding 1 where @p pic (any supported kind) holds @p label
/// and 0 elsewhere: one vessel system of a label mask.
DescriptorPtr selectLabel(const lumoTeskDescriptor& pic, unsigned int label);

/// The labels of a label mask: its non-zero values with their voxel counts, in increasing
/// order; nullopt when a non-zero value is not a whole number from 1 to 65535 (not a label).
std::optional<std::map<unsigned int, unsigned long long>> labelsOf(const lumoTeskDescriptor& pic);

}  // namespace angiolith::tool

#endif
