#ifndef ANGIOLITH_EXTRACTION_SHORTVECTORTOLONGMAP_H
#define ANGIOLITH_EXTRACTION_SHORTVECTORTOLONGMAP_H

#include <angiolith/extraction/detail/PackedVoxelMap.h>
#include <angiolith/tree/Vector3.h>

#include <cstddef>
#include <cstdint>

/// A map from voxel coordinates to a signed 32-bit value, where -1 stands for "no entry".
///
/// A voxel keeps the first value stored for it. The map is hashed (one flat table, no
/// allocation per entry); nothing iterates it, so no result depends on an order of its keys.
class ShortVectorToLongMap {
public:
    /// Stores @p value for @p key unless the key already holds a value other than -1; true when
    /// stored.
    bool insert(const Vector3<short>& key, long value);
    /// The value stored for @p key, or -1.
    long find(const Vector3<short>& key) const;
    /// Whether @p key holds a value other than -1.
    bool contains(const Vector3<short>& key) const { return find(key) != -1; }
    /// Number of keys stored.
    std::size_t size() const { return entries.size(); }

private:
    angiolith::detail::PackedVoxelMap<std::int32_t> entries;
};

#endif
