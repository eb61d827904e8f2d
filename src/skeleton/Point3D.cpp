#include <angiolith/skeleton/Point3D.h>

Point3D::Point3D() : x(0), y(0), z(0) {}

Point3D::Point3D(short theX, short theY, short theZ) : x(theX), y(theY), z(theZ) {}

Point3D::Point3D(const Point3D& other) : x(other.x), y(other.y), z(other.z) {}

Point3D& Point3D::operator=(const Point3D& other) {
    x = other.x;
    y = other.y;
    z = other.z;
    return *this;
}

Point3D::~Point3D() = default;

void Point3D::setXYZ(short theX, short theY, short theZ) {
    x = theX;
    y = theY;
    z = theZ;
}

void Point3D::setX(short theX) { x = theX; }
short Point3D::getX() const { return x; }
void Point3D::setY(short theY) { y = theY; }
short Point3D::getY() const { return y; }
void Point3D::setZ(short theZ) { z = theZ; }
short Point3D::getZ() const { return z; }

bool Point3D::operator==(const Point3D& other) const {
    if (getX() != other.getX()) return false;
    if (getY() != other.getY()) return false;
    return getZ() == other.getZ();
}
