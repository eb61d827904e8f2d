#ifndef ANGIOLITH_SKELETON_POINT3D_H
#define ANGIOLITH_SKELETON_POINT3D_H

/// A voxel position of three signed 16-bit coordinates. Polymorphic: callers read the
/// coordinates through the virtual getters, so subclasses (DistancePoint3D) may stand in.
class Point3D {
public:
    Point3D();
    Point3D(short x, short y, short z);
    Point3D(const Point3D& other);
    Point3D& operator=(const Point3D& other);

    virtual ~Point3D();
    virtual void setXYZ(short x, short y, short z);
    virtual void setX(short x);
    virtual short getX() const;
    virtual void setY(short y);
    virtual short getY() const;
    virtual void setZ(short z);
    virtual short getZ() const;

    /// Compares x, then y, then z through the virtual getters of both operands; false at the
    /// first difference. The dynamic types do not matter.
    bool operator==(const Point3D& other) const;

protected:
    short x;
    short y;
    short z;
};

#endif
