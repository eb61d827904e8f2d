#include <angiolith/skeleton/DistancePoint3D.h>

#include <cmath>

DistancePoint3D::DistancePoint3D(short theX, short theY, short theZ, float dx, float dy, float dz)
    : Point3D(theX, theY, theZ),
      distanceX(dx),
      distanceY(dy),
      distanceZ(dz),
      distance(0.0f),
      squaredDistance(0.0f) {
    DistancePoint3D::computeDistance();
}

DistancePoint3D::~DistancePoint3D() = default;

void DistancePoint3D::computeDistance() {
    squaredDistance = distanceX * distanceX + distanceY * distanceY + distanceZ * distanceZ;
    distance = std::sqrt(squaredDistance);
}

void DistancePoint3D::setDistanceX(float d) {
    distanceX = d;
    computeDistance();
}

void DistancePoint3D::setDistanceY(float d) {
    distanceY = d;
    computeDistance();
}

void DistancePoint3D::setDistanceZ(float d) {
    distanceZ = d;
    computeDistance();
}

void DistancePoint3D::setDistanceXYZ(float dx, float dy, float dz) {
    distanceX = dx;
    distanceY = dy;
    distanceZ = dz;
    computeDistance();
}
