#ifndef ANGIOLITH_EXTRACTION_DETAIL_PACKEDVOXELMAP_H
#define ANGIOLITH_EXTRACTION_DETAIL_PACKEDVOXELMAP_H

#include <angiolith/skeleton/BorderVoxelHashMap.h>
#include <angiolith/tree/Vector3.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace angiolith::detail {

/// The packed key of a voxel (packVoxelKey: bits 48-63 stay clear, so ~0 can mark a free slot).
inline std::uint64_t packVoxel(const Vector3<short>& v) { return packVoxelKey(v.x, v.y, v.z); }

/// A map from voxel coordinates to small values with open addressing (linear probing) in one
/// flat array, so that filling it with every voxel of a skeleton costs no allocation per voxel.
/// Entries are only ever added; the first value stored for a voxel stays.
template <typename V>
class PackedVoxelMap {
public:
    /// The value stored for @p key, or null.
    const V* find(const Vector3<short>& key) const {
        if (slots.empty()) return nullptr;
        const std::uint64_t packed = packVoxel(key);
        for (std::size_t i = slotOf(packed);; i = (i + 1) & mask()) {
            if (slots[i].key == packed) return &slots[i].value;
            if (slots[i].key == kEmpty) return nullptr;
        }
    }
    /// Stores @p value under @p key unless the key is present; true when stored.
    bool insert(const Vector3<short>& key, V value) {
        if ((count + 1) * 2 > slots.size()) grow();
        const std::uint64_t packed = packVoxel(key);
        std::size_t i = slotOf(packed);
        while (slots[i].key != kEmpty) {
            if (slots[i].key == packed) return false;
            i = (i + 1) & mask();
        }
        slots[i].key = packed;
        slots[i].value = value;
        ++count;
        return true;
    }
    /// Overwrites the value of a present key; false when the key is absent.
    bool assign(const Vector3<short>& key, V value) {
        V* stored = const_cast<V*>(find(key));
        if (stored == nullptr) return false;
        *stored = value;
        return true;
    }
    std::size_t size() const { return count; }
    /// Empties the map, keeping its capacity.
    void clear() {
        for (Slot& s : slots) s.key = kEmpty;
        count = 0;
    }

private:
    struct Slot {
        std::uint64_t key;
        V value;
    };
    static constexpr std::uint64_t kEmpty = ~static_cast<std::uint64_t>(0);

    std::size_t mask() const { return slots.size() - 1; }
    std::size_t slotOf(std::uint64_t packed) const { return VoxelKeyHash()(packed) & mask(); }
    void grow() {
        std::vector<Slot> old;
        old.swap(slots);
        slots.assign(old.empty() ? 16 : old.size() * 2, Slot{kEmpty, V{}});
        for (const Slot& s : old) {
            if (s.key == kEmpty) continue;
            std::size_t i = slotOf(s.key);
            while (slots[i].key != kEmpty) i = (i + 1) & mask();
            slots[i] = s;
        }
    }

    std::vector<Slot> slots;
    std::size_t count = 0;
};

}  // namespace angiolith::detail

#endif
