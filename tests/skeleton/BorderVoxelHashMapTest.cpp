#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/skeleton/BorderVoxelHashMap.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

namespace {

// Counts destructions so that the tests can tell which points the map deleted.
using CountedPoint = skeletontest::Counted<DistancePoint3D>;

std::string key(short x, short y, short z) {
    char* text = BorderVoxelHashMap::createKey(x, y, z);
    std::string result(text);
    // The array is exactly as long as the text plus its terminator; ASan catches any overrun.
    EXPECT_EQ(text[result.size()], '\0');
    delete[] text;
    return result;
}

}  // namespace

TEST(BorderVoxelHashMap, CreateKeyFormatsDecimalCoordinates) {
    EXPECT_EQ(key(0, 0, 0), "0_0_0");
    EXPECT_EQ(key(-1, 20, 300), "-1_20_300");
    EXPECT_EQ(key(12, 3, -1), "12_3_-1");
    EXPECT_EQ(key(-32768, 32767, -32768), "-32768_32767_-32768");
}

TEST(BorderVoxelHashMap, InsertFindEraseKeepPointsAlive) {
    int deaths = 0;
    BorderVoxelHashMap map;
    auto* a = new CountedPoint(&deaths, 1, 2, 3, 1, 0, 0);
    auto* b = new CountedPoint(&deaths, -1, 2, 3, 1, 0, 0);
    auto* duplicate = new CountedPoint(&deaths, 1, 2, 3, 1, 0, 0);
    map.insert(a);
    map.insert(b);
    map.insert(nullptr);
    map.insert(duplicate);  // same voxel as a: the existing entry stays
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.getDistancePoint3D(1, 2, 3), a);
    EXPECT_EQ(map.getDistancePoint3D(-1, 2, 3), b);
    EXPECT_EQ(map.getDistancePoint3D(3, 2, 1), nullptr);
    EXPECT_EQ(map.find(3, 2, 1), map.end());
    ASSERT_NE(map.find(-1, 2, 3), map.end());
    EXPECT_EQ(map.find(-1, 2, 3)->second, b);

    // Erasing never deletes the point.
    map.erase(1, 2, 3);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(map.getDistancePoint3D(1, 2, 3), nullptr);
    EXPECT_EQ(map.erase(1, 2, 3), map.end());
    EXPECT_EQ(map.erase(map.end()), map.end());
    EXPECT_EQ(map.size(), 1u);

    // deleteAll deletes exactly the points still held.
    map.deleteAll();
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(map.empty());
    delete a;
    delete duplicate;
    EXPECT_EQ(deaths, 3);
}

TEST(BorderVoxelHashMap, DistinguishesEveryVoxelOfABlockAndIteratesEachOnce) {
    // Coordinates whose key texts could collide if the packing lost a sign or a bit.
    int deaths = 0;
    std::set<std::tuple<short, short, short>> expected;
    {
        BorderVoxelHashMap map;
        const short values[] = {-32768, -257, -256, -1, 0, 1, 255, 256, 32767};
        for (short x : values)
            for (short y : values)
                for (short z : values) {
                    map.insert(new CountedPoint(&deaths, x, y, z, 1, 0, 0));
                    expected.emplace(x, y, z);
                }
        EXPECT_EQ(map.size(), expected.size());
        std::set<std::tuple<short, short, short>> seen;
        for (const auto& entry : map) {
            const DistancePoint3D* p = entry.second;
            EXPECT_TRUE(seen.emplace(p->getX(), p->getY(), p->getZ()).second);
            EXPECT_EQ(map.getDistancePoint3D(p->getX(), p->getY(), p->getZ()), p);
            // Each entry's key reads as its voxel's key text.
            const char* text = entry.first;
            EXPECT_EQ(std::string(text), key(p->getX(), p->getY(), p->getZ()));
            EXPECT_STREQ(entry.first.c_str(), text);
        }
        EXPECT_EQ(seen, expected);

        // Erasing through iterators while walking removes every entry once.
        std::size_t erased = 0;
        for (auto it = map.begin(); it != map.end();) {
            DistancePoint3D* p = it->second;
            it = map.erase(it);
            delete p;
            ++erased;
        }
        EXPECT_EQ(erased, expected.size());
        EXPECT_TRUE(map.empty());
    }
    EXPECT_EQ(deaths, static_cast<int>(expected.size()));
}
