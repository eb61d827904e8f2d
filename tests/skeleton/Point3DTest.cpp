#include <angiolith/skeleton/DistancePoint3D.h>
#include <angiolith/skeleton/Point3D.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A subclass that reports shifted coordinates: equality must go through the virtual getters.
class ShiftedPoint : public Point3D {
public:
    ShiftedPoint(short x, short y, short z) : Point3D(x, y, z) {}
    short getX() const override { return static_cast<short>(x + 1); }
};

// A larger subclass: its objects must not be squeezed into slots of the base class's size.
class LabelledPoint : public DistancePoint3D {
public:
    LabelledPoint(short x, double label) : DistancePoint3D(x, 0, 0, 1, 0, 0), label(label) {}
    double label;
    double more[4] = {1, 2, 3, 4};
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

// Points are made on one thread and deleted on another, by threads that end, mixed with a
// larger subclass: every live point keeps its own values while slots are reused around it.
TEST(DistancePoint3D, PointsSurviveAllocationAcrossThreadsAndSubclasses) {
    std::vector<std::unique_ptr<DistancePoint3D>> points;
    for (int round = 0; round < 3; ++round) {
        std::vector<std::unique_ptr<DistancePoint3D>> made(5000);
        std::thread maker([&made, round] {
            for (std::size_t i = 0; i < made.size(); ++i) {
                const auto x = static_cast<short>(i);
                if (i % 3 == 0) {
                    made[i] = std::make_unique<LabelledPoint>(x, round * 10000.0 + i);
                } else {
                    made[i] =
                        std::make_unique<DistancePoint3D>(x, static_cast<short>(round), 0, 3, 4, 0);
                }
            }
        });
        maker.join();
        // Half of them die on yet another thread, whose free slots outlive it.
        std::thread deleter([&made] {
            for (std::size_t i = 1; i < made.size(); i += 2) made[i].reset();
        });
        deleter.join();
        for (auto& p : made) {
            if (p) points.push_back(std::move(p));
        }
        for (int i = 0; i < 1000; ++i)
            points.push_back(std::make_unique<DistancePoint3D>(-1, -1, -1, 0, 0, 0));
    }
    for (const auto& p : points) {
        if (p->getX() == -1) {
            EXPECT_EQ(p->getDistance(), 0.0f);
        } else if (auto* labelled = dynamic_cast<LabelledPoint*>(p.get())) {
            EXPECT_EQ(std::fmod(labelled->label, 10000.0), p->getX());
            EXPECT_EQ(labelled->more[3], 4.0);
        } else {
            EXPECT_EQ(p->getDistance(), 5.0f);
        }
    }
}
