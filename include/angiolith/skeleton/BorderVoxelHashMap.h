#ifndef ANGIOLITH_SKELETON_BORDERVOXELHASHMAP_H
#define ANGIOLITH_SKELETON_BORDERVOXELHASHMAP_H

#include <angiolith/skeleton/DistancePoint3D.h>

#include <cstdint>
#include <unordered_map>

namespace angiolith::detail {

/// The three 16-bit coordinates of a voxel packed into one integer: x in bits 0-15, y in bits
/// 16-31, z in bits 32-47 (each as its two's-complement bit pattern). Distinct voxels get
/// distinct keys, exactly as their key texts (BorderVoxelHashMap::createKey) differ.
inline std::uint64_t packVoxelKey(short x, short y, short z) {
    return static_cast<std::uint64_t>(static_cast<std::uint16_t>(x)) |
           (static_cast<std::uint64_t>(static_cast<std::uint16_t>(y)) << 16) |
           (static_cast<std::uint64_t>(static_cast<std::uint16_t>(z)) << 32);
}

/// Spreads neighbouring packed keys over the buckets (a multiply-xorshift mix).
struct VoxelKeyHash {
    std::size_t operator()(std::uint64_t key) const noexcept {
        key ^= key >> 31;
        key *= 0x9E3779B97F4A7C15ULL;
        key ^= key >> 29;
        return static_cast<std::size_t>(key);
    }
};

using BorderVoxelHashMapBase = std::unordered_map<std::uint64_t, DistancePoint3D*, VoxelKeyHash>;

}  // namespace angiolith::detail

/// The border voxels of one thinning pass, found by their coordinates.
///
/// Each voxel has the key text createKey(x, y, z), "x_y_z" in decimal. The map stores the same
/// identity in packed form (detail::packVoxelKey): two voxels share a packed key exactly when
/// they share a key text, so the map behaves as a map over the key texts, while a lookup costs
/// no formatting and no allocation. Iteration visits every entry once in the container's own
/// order, which is deterministic for a given sequence of insertions and erasures.
///
/// Ownership: the map never deletes a point when an entry is erased; deleteAll() deletes every
/// point it holds. The destructor only drops the entries, so an owner calls deleteAll() first.
class BorderVoxelHashMap : public angiolith::detail::BorderVoxelHashMapBase {
public:
    using iterator = angiolith::detail::BorderVoxelHashMapBase::iterator;

    BorderVoxelHashMap();
    BorderVoxelHashMap(const BorderVoxelHashMap&) = delete;
    BorderVoxelHashMap& operator=(const BorderVoxelHashMap&) = delete;

    /// Drops the entries; deletes no point.
    virtual ~BorderVoxelHashMap();
    /// The point stored for voxel (x, y, z) (still owned by the map's owner), or null.
    virtual DistancePoint3D* getDistancePoint3D(short x, short y, short z);
    /// The entry of voxel (x, y, z), or end().
    virtual iterator find(short x, short y, short z);
    /// Stores @p p (borrowed; deleteAll() deletes it) under its coordinates. Ignores null and a
    /// point whose voxel is already present (the existing entry stays).
    virtual void insert(DistancePoint3D* p);
    /// Removes the entry of voxel (x, y, z), if any; the point is not deleted. Returns the
    /// iterator following the removed entry, or end().
    virtual iterator erase(short x, short y, short z);
    /// Removes the entry at @p it (end() is returned unchanged); the point is not deleted.
    virtual iterator erase(iterator it);
    /// Removes every entry and deletes its point.
    virtual void deleteAll();

    /// The key text of voxel (x, y, z): "%d_%d_%d", e.g. "12_3_-1", in a new array of exactly
    /// its length plus the terminator. The caller releases it with delete[].
    static char* createKey(short x, short y, short z);
};

#endif
