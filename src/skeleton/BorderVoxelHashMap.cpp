#include <angiolith/skeleton/BorderVoxelHashMap.h>

#include <cstdio>

using angiolith::detail::BorderVoxelHashMapBase;
using angiolith::detail::packVoxelKey;

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
    emplace(packVoxelKey(p->getX(), p->getY(), p->getZ()), p);
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
