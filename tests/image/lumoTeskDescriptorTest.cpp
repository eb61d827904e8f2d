#include "support/Descriptors.h"

#include <angiolith/image/lumoTeskDescriptor.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace angiolith::test;

std::string name(const lumoTeskTagLink_t* link) { return std::string(link->tagRecord->tag); }

std::vector<unsigned char> bytes(const lumoTeskTagLink_t* link) {
    const auto* v = static_cast<const unsigned char*>(link->tagRecord->value);
    return std::vector<unsigned char>(v, v + _lumoTeskTSVSize(link->tagRecord));
}

/// A list a -> (nested: b -> (deeper: c)) of three levels.
lumoTeskTagLink_t* threeLevelList() {
    lumoTeskTagLink_t* deepest = lumoTeskAddTag(nullptr, makeTag("c", {30, 31, 32}));
    lumoTeskTagLink_t* middle = lumoTeskAddTag(nullptr, makeTag("b", {20}));
    middle = lumoTeskAddTag(middle, makeListTag("deeper", deepest));
    lumoTeskTagLink_t* top = lumoTeskAddTag(nullptr, makeTag("a", {10, 11}));
    return lumoTeskAddTag(top, makeListTag("nested", middle));
}

TEST(lumoTeskDescriptor, CountsElementsAndBytes) {
    PicPtr pic(lumoTeskNew());
    pic->dim = 0;
    pic->bits = 16;
    EXPECT_EQ(_lumoTeskElements(pic.get()), 0u);
    EXPECT_EQ(_lumoTeskSize(pic.get()), 0u);

    pic->dim = 3;
    pic->n[0] = 3;
    pic->n[1] = 4;
    pic->n[2] = 5;
    EXPECT_EQ(_lumoTeskElements(pic.get()), 60u);
    EXPECT_EQ(_lumoTeskSize(pic.get()), 120u);
    // The byte width is divided first for images, last for tags.
    pic->bits = 12;
    EXPECT_EQ(_lumoTeskSize(pic.get()), 60u);
    lumoTeskTag_t tag{};
    tag.bits = 12;
    tag.dim = 3;
    tag.n[0] = 3;
    tag.n[1] = 4;
    tag.n[2] = 5;
    EXPECT_EQ(_lumoTeskTSVSize(&tag), 90u);
    tag.dim = 0;
    EXPECT_EQ(_lumoTeskTSVSize(&tag), 0u);
}

TEST(lumoTeskAddTag, PadsNamesToThirtyTwoCharactersAndAppendsInOrder) {
    lumoTeskTagLink_t* list = lumoTeskAddTag(nullptr, makeTag("abc", {1}));
    lumoTeskTag_t* longName = makeTag("", {2});
    std::memcpy(longName->tag, "0123456789012345678901234567890123456789", 33);
    list = lumoTeskAddTag(list, longName);
    list = lumoTeskAddTag(list, makeTag("third", {3}));

    EXPECT_EQ(name(list), "abc                             ");
    ASSERT_NE(list->next, nullptr);
    EXPECT_EQ(name(list->next), "01234567890123456789012345678901");
    ASSERT_NE(list->next->next, nullptr);
    EXPECT_EQ(list->prev, nullptr);
    EXPECT_EQ(list->next->prev, list);
    EXPECT_EQ(list->next->next->prev, list->next);
    EXPECT_EQ(list->next->next->next, nullptr);
    EXPECT_EQ(bytes(list->next->next), std::vector<unsigned char>{3});
    _lumoTeskReleaseTagList(list);
}

TEST(lumoTeskClone, CopiesNestedTagsIndependentlyToAnyDepth) {
    PicPtr pic = makePic<std::int16_t>(lumoTeskTypeSigned, 16, {2, 2, 1}, {-1, 2, -3, 4});
    std::memcpy(pic->info->version, "MY VERSION                      ", 32);
    pic->info->infoFlag = 5;
    pic->info->tagList = threeLevelList();

    PicPtr clone(lumoTeskClone(pic.get()));
    ASSERT_NE(clone, nullptr);
    expectHeader(clone.get(), lumoTeskTypeSigned, 16, {2, 2, 1});
    EXPECT_NE(clone->data, pic->data);
    EXPECT_EQ(std::memcmp(clone->data, pic->data, 8), 0);
    EXPECT_EQ(std::string(clone->info->version, 32), "MY VERSION                      ");
    EXPECT_EQ(clone->info->infoFlag, 5);

    // Change every value in the clone, then release the source: the clone stands alone.
    static_cast<std::int16_t*>(clone->data)[0] = 100;
    EXPECT_EQ(static_cast<std::int16_t*>(pic->data)[0], -1);
    lumoTeskTagLink_t* a = clone->info->tagList;
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, pic->info->tagList);
    static_cast<unsigned char*>(a->tagRecord->value)[0] = 99;
    EXPECT_EQ(bytes(pic->info->tagList), (std::vector<unsigned char>{10, 11}));
    pic.reset();

    EXPECT_EQ(name(a), "a                               ");
    EXPECT_EQ(bytes(a), (std::vector<unsigned char>{99, 11}));
    ASSERT_NE(a->next, nullptr);
    EXPECT_EQ(name(a->next), "nested                          ");
    ASSERT_EQ(a->next->tagRecord->type, lumoTeskTypeTagList);
    const auto* b = static_cast<const lumoTeskTagLink_t*>(a->next->tagRecord->value);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(bytes(b), std::vector<unsigned char>{20});
    ASSERT_NE(b->next, nullptr);
    ASSERT_EQ(b->next->tagRecord->type, lumoTeskTypeTagList);
    const auto* c = static_cast<const lumoTeskTagLink_t*>(b->next->tagRecord->value);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(name(c), "c                               ");
    EXPECT_EQ(bytes(c), (std::vector<unsigned char>{30, 31, 32}));
    EXPECT_EQ(c->next, nullptr);
}

TEST(lumoTeskClone, KeepsAMissingElementBufferMissing) {
    PicPtr pic = makePic<float>(lumoTeskTypeFloat, 32, {4, 4, 4}, {});
    std::free(pic->data);
    pic->data = nullptr;
    pic->info->infoFlag = 9;
    PicPtr clone(lumoTeskClone(pic.get()));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->data, nullptr);
    expectHeader(clone.get(), lumoTeskTypeFloat, 32, {4, 4, 4});
    EXPECT_EQ(clone->info->infoFlag, 9);  // the info record is copied on this path too
}

TEST(lumoTeskClone, RefusesAnImageWhoseSizeWrapsAround32Bits) {
    // 65536 x 65536 bytes: the 32-bit size is 0, the true size 4 GiB. Copying by the 32-bit size
    // would hand out a clone whose buffer is far smaller than its extents claim.
    PicPtr pic = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {65536, 65536, 1}, {1});
    EXPECT_EQ(_lumoTeskSize(pic.get()), 0u);
    EXPECT_EQ(lumoTeskClone(pic.get()), nullptr);
    // 2^31 16-bit elements: the count fits, the byte size does not.
    pic->bits = 16;
    pic->n[0] = 32768;
    EXPECT_EQ(lumoTeskClone(pic.get()), nullptr);
}

TEST(lumoTeskClear, ReleasesDataAndTagsAndKeepsTheShape) {
    PicPtr pic = makePic<std::uint16_t>(lumoTeskTypeUnsigned, 16, {2, 3, 4},
                                        std::vector<std::uint16_t>(24, 7));
    pic->info->tagList = threeLevelList();
    std::memcpy(pic->info->version, "KEEP ME                         ", 32);
    lumoTeskClear(pic.get());
    EXPECT_EQ(pic->data, nullptr);
    EXPECT_EQ(pic->info->tagList, nullptr);
    expectHeader(pic.get(), lumoTeskTypeNone, 16, {2, 3, 4});
    EXPECT_EQ(std::string(pic->info->version, 32), "KEEP ME                         ");
    lumoTeskClear(nullptr);
    lumoTeskFree(nullptr);
}

TEST(lumoTeskCopyHeader, ReusesATargetAfterReleasingItsDataAndTags) {
    PicPtr source = makePic<float>(lumoTeskTypeFloat, 32, {5, 6}, std::vector<float>(30, 1.f));
    source->info->tagList = lumoTeskAddTag(nullptr, makeTag("src", {1}));
    PicPtr target = makePic<std::uint8_t>(lumoTeskTypeUnsigned, 8, {9, 9, 9, 9},
                                          std::vector<std::uint8_t>(6561, 3));
    target->info->tagList = lumoTeskAddTag(nullptr, makeTag("old", {2}));
    std::memcpy(target->info->version, "TARGET VERSION                  ", 32);

    EXPECT_EQ(lumoTeskCopyHeader(source.get(), target.get()), target.get());
    EXPECT_EQ(target->data, nullptr);
    EXPECT_EQ(target->info->tagList, nullptr);
    expectHeader(target.get(), lumoTeskTypeFloat, 32, {5, 6});
    EXPECT_EQ(target->n[2], 9u);  // extents beyond dim keep what they held
    EXPECT_EQ(std::string(target->info->version, 32), "TARGET VERSION                  ");
}

}  // namespace
