#include <angiolith/extraction/ShortVectorToLongMap.h>

bool ShortVectorToLongMap::insert(const Vector3<short>& key, long value) {
    const std::int32_t stored = static_cast<std::int32_t>(value);
    if (entries.insert(key, stored)) return true;
    // A stored -1 means "no entry", so it gives way to a real value.
    const std::int32_t* present = entries.find(key);
    if (*present != -1 || stored == -1) return false;
    return entries.assign(key, stored);
}

long ShortVectorToLongMap::find(const Vector3<short>& key) const {
    const std::int32_t* value = entries.find(key);
    return value == nullptr ? -1 : *value;
}
