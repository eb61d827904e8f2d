#include <angiolith/skeleton/BorderVoxelHashMap.h>

#include <cstdio>

using angiolith::detail::BorderVoxelHashMapBase;
using angiolith::detail::packVoxelKey;
using angiolith::detail::VoxelKeyText;

namespace {

// Writes the decimal text of @p value at @p out; returns the end. What "%d" writes, without the
// locale and format parsing of printf, as keys are made once per inserted voxel.
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

VoxelKeyText::VoxelKeyText(short x, short y, short z) : code(packVoxelKey(x, y, z)), text{} {
    char* end = writeDecimal(text, x);
    *end++ = '_';
    end = writeDecimal(end, y);
    *end++ = '_';
    end = writeDecimal(end, z);
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
    // The key text is formatted only for a voxel not yet present.
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
