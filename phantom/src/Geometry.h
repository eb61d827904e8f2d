#ifndef ANGIOLITH_PHANTOM_GEOMETRY_H
#define ANGIOLITH_PHANTOM_GEOMETRY_H

#include <cmath>
#include <random>

namespace angiolith::phantom {

/// A point or direction in double precision.
struct Vec3 {
    double x, y, z;
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    double norm() const { return std::sqrt(dot(*this)); }
    Vec3 normalized() const {
        const double n = norm();
        return n > 0 ? *this * (1.0 / n) : Vec3{1, 0, 0};
    }
    Vec3 cross(const Vec3& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
};

/// Uniform numbers from a fixed generator with our own scaling, so that a seed gives the same
/// phantom with every standard library.
class Random {
public:
    explicit Random(unsigned seed) : engine(seed) {}
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(engine() >> 8) / 16777216.0;
    }
    Vec3 unitVector() {
        for (;;) {
            const Vec3 v{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
            const double n = v.norm();
            if (n > 0.1 && n <= 1.0) return v * (1.0 / n);
        }
    }

private:
    std::mt19937 engine;
};

/// A random unit vector perpendicular to the unit vector @p direction.
inline Vec3 perpendicular(const Vec3& direction, Random& random) {
    for (;;) {
        const Vec3 c = direction.cross(random.unitVector());
        if (c.norm() > 0.2) return c.normalized();
    }
}

/// The unit vector @p direction turned by @p angle towards the perpendicular unit vector
/// @p towards.
inline Vec3 rotateTowards(const Vec3& direction, const Vec3& towards, double angle) {
    return (direction * std::cos(angle) + towards * std::sin(angle)).normalized();
}

}  // namespace angiolith::phantom

#endif
