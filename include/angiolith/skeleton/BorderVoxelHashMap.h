#ifndef ANGIOLITH_SKELETON_BORDERVOXELHASHMAP_H
#define ANGIOLITH_SKELETON_BORDERVOXELHASHMAP_H

#include <angiolith/skeleton/DistancePoint3D.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace angiolith::detail {

/// The three 16-bit coordinates of a voxel packed into one integer: x in bits 0-15, y in bits
/// 16-31, z in bits 32-47 (each as its two's-complement bit pattern). Distinct voxels get
/// distinct packed keys, exactly as their key texts (BorderVoxelHashMap::createKey) differ.
inline std::uint64_t packVoxelKey(short x, short y, short z) {
    return static_cast<std::uint64_t>(static_cast<std::uint16_t>(x)) |
           (static_cast<std::uint64_t>(static_cast<std::uint16_t>(y)) << 16) |
           (static_cast<std::uint64_t>(static_cast<std::uint16_t>(z)) << 32);
}

/// The key of a border voxel: its key text "x_y_z" (as BorderVoxelHashMap::createKey writes it)
/// held inline, without allocation, together with the packed coordinates that hashing and
/// comparison use. Two keys are equal exactly when their texts are. Reads as a C string.
///
/// The text is formatted on its first read: the thinning makes a key for every border voxel
/// and never reads one. Like the map that holds it, a key is read by one thread at a time.
class VoxelKeyText {
public:
    /// Longest text: "-32768_-32768_-32768" and its terminator.
    static constexpr std::size_t kCapacity = 21;

    VoxelKeyText(short x, short y, short z) noexcept : code(packVoxelKey(x, y, z)), text{} {}

    /// The key text, terminated (owned by the key).
    const char* c_str() const noexcept {
        // A key text is never empty, so an empty buffer means "not yet formatted".
        if (text[0] == '\0') format();
        return text;
    }
    operator const char*() const noexcept { return c_str(); }
    /// The packed coordinates (packVoxelKey).
    std::uint64_t packed() const noexcept { return code; }

    friend bool operator==(const VoxelKeyText& a, const VoxelKeyText& b) noexcept {
        return a.code == b.code;
    }

private:
    void format() const noexcept;

    std::uint64_t code;
    mutable char text[kCapacity];
};

/// Hash and comparison of voxel keys that also accept packed coordinates, so that a lookup by
/// coordinates builds no key text (heterogeneous lookup).
struct VoxelKeyHash {
    using is_transparent = void;
    std::size_t operator()(std::uint64_t key) const noexcept {
        // A multiply-xorshift mix that spreads neighbouring voxels over the buckets.
        key ^= key >> 31;
        key *= 0x9E3779B97F4A7C15ULL;
        key ^= key >> 29;
        return static_cast<std::size_t>(key);
    }
    std::size_t operator()(const VoxelKeyText& key) const noexcept { return (*this)(key.packed()); }
};

struct VoxelKeyEqual {
    using is_transparent = void;
    bool operator()(const VoxelKeyText& a, const VoxelKeyText& b) const noexcept {
        return a.packed() == b.packed();
    }
    bool operator()(std::uint64_t a, const VoxelKeyText& b) const noexcept {
        return a == b.packed();
    }
    bool operator()(const VoxelKeyText& a, std::uint64_t b) const noexcept {
        return a.packed() == b;
    }
};

using BorderVoxelHashMapBase =
    std::unordered_map<VoxelKeyText, DistancePoint3D*, VoxelKeyHash, VoxelKeyEqual>;

}  // namespace angiolith::detail

/// The border voxels of one thinning pass, found by their coordinates.
///
/// A map from key texts to points: each entry's key (`entry.first`) reads as the voxel's key text
/// createKey(x, y, z), "x_y_z" in decimal, held inline in the entry (detail::VoxelKeyText). The
/// key also carries the coordinates in packed form, which hashing and comparison use, so a lookup
/// by coordinates costs no formatting and no allocation. Iteration visits every entry once in the
/// container's own order, which is deterministic for a given sequence of insertions and erasures.
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
