#ifndef ANGIOLITH_TESTS_EXTRACTION_EXTRACTIONTESTUTIL_H
#define ANGIOLITH_TESTS_EXTRACTION_EXTRACTIONTESTUTIL_H

#include <angiolith/tree/Vector3.h>

#include <array>
#include <string>
#include <vector>

namespace extraction_test {

/// A death-test pattern matching exactly @p text followed by one line end: every character
/// that is special in a POSIX extended regular expression is escaped.
inline std::string exactLine(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern + "\n$";
}

inline bool sameVoxel(const Vector3<short>& a, const Vector3<short>& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

using Coords = std::vector<std::array<int, 3>>;

/// The voxels of a list as plain triples, for comparisons with readable failure output.
template <typename List>
Coords coords(const List& list) {
    Coords out;
    for (const Vector3<short>& v : list) out.push_back({v.x, v.y, v.z});
    return out;
}

}  // namespace extraction_test

#endif
