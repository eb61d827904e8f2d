#include "skeleton/SkeletonTestSupport.h"

#include <angiolith/image/lumoKralConvert.h>
#include <angiolith/skeleton/OrderedBorderVoxelListProcessor.h>
#include <angiolith/skeleton/Skeletonizer.h>

#include <gtest/gtest.h>

namespace {

using angiolith::test::PicPtr;
using angiolith::test::zeroPic;
using skeletontest::Volume;

// The frame alone: skeletonize does nothing.
class FrameOnly : public Skeletonizer {
public:
    FrameOnly(lumoTeskDescriptor* pic, bool noDistanceField)
        : Skeletonizer(pic, true, noDistanceField) {}
    void skeletonize() override {}
    using Skeletonizer::convertVolume;
};

using CountedProcessor = skeletontest::Counted<OrderedBorderVoxelListProcessor>;

}  // namespace

TEST(Skeletonizer, UnsignedEightBitInputIsUsedInPlace) {
    Volume vol(4, 3, 2);
    vol.set(1, 1, 1, 5);
    PicPtr pic(skeletontest::toDescriptor(vol)), field;
    {
        FrameOnly s(pic.get(), false);
        EXPECT_EQ(s.getVolumePic(), pic.get());
        EXPECT_EQ(s.getVolume()->getPic(), pic.get());
        EXPECT_EQ(s.getVolume()->getVoxel(1, 1, 1), 5);
        EXPECT_FALSE(s.getVolume()->isOwner());
        field.reset(s.getDistanceFieldPic());
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(std::make_tuple(field->type, field->bits, field->dim, field->n[0], field->n[1],
                                  field->n[2], field->info->tagList),
                  std::make_tuple(lumoTeskTypeFloat, 32u, 3u, 4u, 3u, 2u,
                                  static_cast<lumoTeskTagLink_t*>(nullptr)));
        const float* d = static_cast<const float*>(field->data);
        EXPECT_EQ(std::vector<float>(d, d + 24), std::vector<float>(24, 0.0f));
        EXPECT_FALSE(s.getDistanceField()->isOwner());

        // The frame's spacing setters reach both accessors.
        s.setVolumeVoxelSizeX(0.5f);
        s.setVolumeVoxelSizeZ(2.0f);
        EXPECT_EQ(s.getVolume()->getVoxelSizeX(), 0.5f);
        EXPECT_EQ(s.getDistanceField()->getVoxelSizeX(), 0.5f);
        EXPECT_EQ(s.getDistanceField()->getVoxelSizeZ(), 2.0f);
        EXPECT_EQ(s.getVolume()->getMinVoxelSize(), 0.5f);
    }
    // Both descriptors outlive the skeletonizer.
    EXPECT_EQ(static_cast<unsigned char*>(pic->data)[(1 * 3 + 1) * 4 + 1], 5);
}

TEST(Skeletonizer, OtherElementKindsAreConverted) {
    lumoTeskDescriptor* pic = zeroPic(lumoTeskTypeSigned, 16, 3, 3, 3, 3);
    static_cast<short*>(pic->data)[13] = 300;  // clamped to 255
    static_cast<short*>(pic->data)[0] = 1;
    FrameOnly s(pic, true);  // frees pic
    const PicPtr work(s.getVolumePic());
    EXPECT_EQ(work->type, lumoTeskTypeUnsigned);
    EXPECT_EQ(work->bits, 8u);
    EXPECT_EQ(s.getVolume()->getVoxel(1, 1, 1), 255);
    EXPECT_EQ(s.getVolume()->getVoxel(0, 0, 0), 1);
    EXPECT_EQ(s.getDistanceFieldPic(), nullptr);
    EXPECT_TRUE(s.getDistanceField()->isEmpty());
    EXPECT_EQ(s.getDistanceField()->getVoxel(1, 1, 1), 0.0f);
}

TEST(Skeletonizer, ReplacingTheProcessorDeletesTheOldOne) {
    int deaths = 0;
    PicPtr pic(skeletontest::toDescriptor(Volume(3, 3, 3))), field;
    {
        FrameOnly s(pic.get(), false);
        field.reset(s.getDistanceFieldPic());
        auto* first = new CountedProcessor(&deaths, s.getVolume(), s.getDistanceField(), true);
        s.setBorderVoxelListProcessor(first);
        s.setBorderVoxelListProcessor(first);  // the processor already held stays alive
        s.setBorderVoxelListProcessor(nullptr);
        EXPECT_EQ(s.getBorderVoxelListProcessor(), first);
        EXPECT_EQ(deaths, 0);
        auto* second = new CountedProcessor(&deaths, s.getVolume(), s.getDistanceField(), true);
        s.setBorderVoxelListProcessor(second);
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 2);
}

// An element kind outside the eight the conversion knows (float with 16 bits) cannot be
// converted: the conversion answers null and the caller's descriptor is not freed. (The fatal
// lines of bad input are in the fatal-input handler's table of cases.)
TEST(Skeletonizer, FailedConversionKeepsTheInput) {
    const PicPtr host(skeletontest::toDescriptor(Volume(2, 2, 2)));
    const PicPtr odd(zeroPic(lumoTeskTypeFloat, 16, 3, 4, 4, 4));
    FrameOnly s(host.get(), true);
    static_cast<unsigned char*>(odd->data)[5] = 42;
    EXPECT_EQ(s.convertVolume(odd.get(), lumoTeskTypeUnsigned, 8), nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(odd->data)[5], 42);  // still alive (ASan checks)
    EXPECT_EQ(s.convertVolume(nullptr, lumoTeskTypeUnsigned, 8), nullptr);
    EXPECT_EQ(s.convertVolume(host.get(), lumoTeskTypeUnsigned, 8), host.get());
}
