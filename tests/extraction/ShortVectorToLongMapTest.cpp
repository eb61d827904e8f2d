#include <angiolith/extraction/ShortVectorToLongMap.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

TEST(ShortVectorToLongMap, FirstValueStaysAndMinusOneMeansNoEntry) {
    ShortVectorToLongMap m;
    EXPECT_EQ(m.find({1, 2, 3}), -1);
    EXPECT_FALSE(m.contains({1, 2, 3}));
    EXPECT_TRUE(m.insert({1, 2, 3}, 7));
    EXPECT_FALSE(m.insert({1, 2, 3}, 8));
    EXPECT_EQ(m.find({1, 2, 3}), 7);
    EXPECT_EQ(m.find({3, 2, 1}), -1);
    // A stored -1 is no entry: a later value takes its place.
    m.insert({-1, -1, -1}, -1);
    EXPECT_FALSE(m.contains({-1, -1, -1}));
    EXPECT_TRUE(m.insert({-1, -1, -1}, 4));
    EXPECT_EQ(m.find({-1, -1, -1}), 4);
}

// Many keys, negative and extreme coordinates included, against std::map as the oracle.
TEST(ShortVectorToLongMap, AgreesWithAnOrderedMap) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coordinate(-32768, 32767);
    std::uniform_int_distribution<int> small(-3, 3);
    ShortVectorToLongMap m;
    std::map<std::tuple<short, short, short>, long> oracle;
    for (int i = 0; i < 20000; ++i) {
        const bool clustered = i % 2 == 0;
        const Vector3<short> v{static_cast<short>(clustered ? small(random) : coordinate(random)),
                               static_cast<short>(clustered ? small(random) : coordinate(random)),
                               static_cast<short>(clustered ? small(random) : coordinate(random))};
        m.insert(v, i);
        oracle.emplace(std::make_tuple(v.x, v.y, v.z), i);
    }
    EXPECT_EQ(m.size(), oracle.size());
    for (const auto& [key, value] : oracle) {
        const auto& [x, y, z] = key;
        EXPECT_EQ(m.find({x, y, z}), value);
    }
}
