#ifndef ANGIOLITH_TREE_VECTOR3_H
#define ANGIOLITH_TREE_VECTOR3_H

/// Three components of type T, in the order x, y, z. A plain aggregate: `Vector3<short>{1, 2, 3}`.
/// Positions of centre-line samples are `Vector3<float>`; voxel coordinates on the extraction
/// side are `Vector3<short>`.
template <typename T>
struct Vector3 {
    T x;
    T y;
    T z;
};

/// Component-wise exact comparison.
template <typename T>
bool operator==(const Vector3<T>& a, const Vector3<T>& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

template <typename T>
bool operator!=(const Vector3<T>& a, const Vector3<T>& b) {
    return !(a == b);
}

#endif
