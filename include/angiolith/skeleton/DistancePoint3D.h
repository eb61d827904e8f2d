#ifndef ANGIOLITH_SKELETON_DISTANCEPOINT3D_H
#define ANGIOLITH_SKELETON_DISTANCEPOINT3D_H

#include <angiolith/skeleton/Point3D.h>

#include <cstddef>

/// A voxel with the vector from it to the background voxel its distance is measured to, in
/// units of the voxel spacing per axis. `distance` and `squaredDistance` always match the
/// vector: every setter recomputes them through computeDistance().
class DistancePoint3D : public Point3D {
public:
    DistancePoint3D(short x, short y, short z, float distanceX, float distanceY, float distanceZ);
    ~DistancePoint3D() override;

    /// Points made with new come from a pool of slots of this class's size (a thinning makes
    /// and deletes one per border voxel); a subclass of another size, and arrays, use the
    /// general allocator. Delete them with delete, from any thread.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    /// squaredDistance = dx*dx + dy*dy + dz*dz, distance = its square root (single precision).
    virtual void computeDistance();

    void setDistanceX(float d);
    void setDistanceY(float d);
    void setDistanceZ(float d);
    void setDistanceXYZ(float dx, float dy, float dz);

    float getDistanceX() const { return distanceX; }
    float getDistanceY() const { return distanceY; }
    float getDistanceZ() const { return distanceZ; }
    float getDistance() const { return distance; }
    float getSquaredDistance() const { return squaredDistance; }

protected:
    float distanceX;
    float distanceY;
    float distanceZ;
    float distance;
    float squaredDistance;
};

#endif
