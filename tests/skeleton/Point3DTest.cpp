#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/Point3D.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A subclass that reports shifted coordinates: equality must go through the virtual getters.
class ShiftedPoint : public Point3D {
public:
    ShiftedPoint(short x, short y, short z) : Point3D(x, y, z) {}
    short getX() const override { return static_cast<short>(x + 1); }
};

}  // namespace

TEST(Point3D, EqualityComparesCoordinatesThroughGetters) {
    EXPECT_FALSE(Point3D(1, 2, 3) == Point3D(1, 2, 4));
    EXPECT_FALSE(Point3D(1, 2, 3) == Point3D(0, 2, 3));
    EXPECT_TRUE(Point3D(1, 2, 3) == Point3D(1, 2, 3));
    // Equal coordinates compare equal whatever the dynamic types.
    EXPECT_TRUE(Point3D(1, 2, 3) == DistancePoint3D(1, 2, 3, 9, 9, 9));
    EXPECT_TRUE(DistancePoint3D(1, 2, 3, 0, 0, 0) == Point3D(1, 2, 3));
    EXPECT_TRUE(ShiftedPoint(0, 2, 3) == Point3D(1, 2, 3));
    EXPECT_FALSE(Point3D(0, 2, 3) == ShiftedPoint(0, 2, 3));
}

TEST(DistancePoint3D, DerivedLengthsFollowTheVector) {
    DistancePoint3D p(0, 0, 0, 3, 4, 0);
    EXPECT_FLOAT_EQ(p.getDistance(), 5.0f);
    EXPECT_FLOAT_EQ(p.getSquaredDistance(), 25.0f);
    p.setDistanceZ(12);
    EXPECT_FLOAT_EQ(p.getDistance(), 13.0f);
    EXPECT_FLOAT_EQ(p.getSquaredDistance(), 169.0f);
    p.setDistanceX(0);
    p.setDistanceY(0);
    EXPECT_FLOAT_EQ(p.getDistance(), 12.0f);
    p.setDistanceXYZ(1, 2, 2);
    EXPECT_FLOAT_EQ(p.getDistance(), 3.0f);
    EXPECT_FLOAT_EQ(p.getSquaredDistance(), 9.0f);
    // Anisotropic components: the length is single-precision sqrt of the float sum.
    p.setDistanceXYZ(0.7f, 0.7f, 1.5f);
    const float sq = 0.7f * 0.7f + 0.7f * 0.7f + 1.5f * 1.5f;
    EXPECT_EQ(p.getSquaredDistance(), sq);
    EXPECT_EQ(p.getDistance(), std::sqrt(sq));
}
