#include <angiolith/skeleton/BorderVoxelHashMap.h>

#include <cstdint>
#include <cstdio>

using angiolith::detail::BorderVoxelHashMapBase;
using angiolith::detail::packVoxelKey;
using angiolith::detail::VoxelKeyText;

namespace {

// Writes the decimal text of @p value at @p out; returns the end. What "%d" writes, without the
// locale and format parsing of printf.
char* writeDecimal(char* out, int value) {
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    if (value < 0) *out++ = '-';
    char digits[6];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0) *out++ = digits[--n];
    return out;
}

}  // namespace

void VoxelKeyText::format() const noexcept {
    // The packed coordinates are the 16-bit patterns of x, y and z.
    const auto coordinate = [this](int shift) {
        return static_cast<int>(
            static_cast<std::int16_t>(static_cast<std::uint16_t>(code >> shift)));
    };
    char* end = writeDecimal(text, coordinate(0));
    *end++ = '_';
    end = writeDecimal(end, coordinate(16));
    *end++ = '_';
    end = writeDecimal(end, coordinate(32));
    *end = '\0';
}

BorderVoxelHashMap::BorderVoxelHashMap() = default;

BorderVoxelHashMap::~BorderVoxelHashMap() = default;

DistancePoint3D* BorderVoxelHashMap::getDistancePoint3D(short x, short y, short z) {
    const auto it = BorderVoxelHashMapBase::find(packVoxelKey(x, y, z));
    return it == end() ? nullptr : it->second;
}

BorderVoxelHashMap::iterator BorderVoxelHashMap::find(short x, short y, short z) {
    return BorderVoxelHashMapBase::find(packVoxelKey(x, y, z));
}

void BorderVoxelHashMap::insert(DistancePoint3D* p) {
    if (p == nullptr) return;
    const short x = p->getX(), y = p->getY(), z = p->getZ();
    if (BorderVoxelHashMapBase::find(packVoxelKey(x, y, z)) != end()) return;
    emplace(VoxelKeyText(x, y, z), p);
}

BorderVoxelHashMap::iterator BorderVoxelHashMap::erase(short x, short y, short z) {
    return erase(find(x, y, z));
}

BorderVoxelHashMap::iterator BorderVoxelHashMap::erase(iterator it) {
    if (it == end()) return it;
    return BorderVoxelHashMapBase::erase(it);
}

void BorderVoxelHashMap::deleteAll() {
    for (auto& entry : *this) delete entry.second;
    clear();
}

char* BorderVoxelHashMap::createKey(short x, short y, short z) {
    const int length = std::snprintf(nullptr, 0, "%d_%d_%d", x, y, z);
    char* key = new char[static_cast<std::size_t>(length) + 1];
    std::snprintf(key, static_cast<std::size_t>(length) + 1, "%d_%d_%d", x, y, z);
    return key;
}
