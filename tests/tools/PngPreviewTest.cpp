#include "ToolTestSupport.h"
#include "cli/PngPreview.h"
#include "cli/Volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <png.h>
#include <vector>

namespace angiolith::tool {
namespace {

std::array<std::uint8_t, 3> pixel(const Picture& p, unsigned int x, unsigned int y) {
    const std::uint8_t* rgb = &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
    return {rgb[0], rgb[1], rgb[2]};
}

TEST(PngPreview, ProjectionsColourTerritoriesAndDrawCentreLines) {
    // 32 x 16 x 8 voxels of 1 x 2 x 4 mm: every axis is 32 mm long, so the three panels are
    // equal squares of 320 pixels, 10 pixels per millimetre.
    Geometry g;
    g.size = {32, 16, 8};
    g.spacing = {1, 2, 4};
    DescriptorPtr ids = makeDescriptor(lumoTeskTypeUnsigned, 16, g.size);
    auto* v = static_cast<std::uint16_t*>(ids->data);
    // Vessel 2 supplies x < 16 and vessel 5 the rest, but only in the slice z = 3; the
    // projection along z sees both everywhere.
    for (unsigned int y = 0; y < 16; ++y) {
        for (unsigned int x = 0; x < 32; ++x) v[(3 * 16 + y) * 32 + x] = x < 16 ? 2 : 5;
    }
    Polyline line;
    line.vesselId = 2;
    line.points = {{0, 8, 3}, {31, 8, 3}};  // along x through the middle of y
    line.radii = {1, 1};

    const Picture p = renderPreview(g, ids.get(), nullptr, {line});
    EXPECT_EQ(p.width, 3 * 320u + 2 * 4u);
    EXPECT_EQ(p.height, 320u);
    EXPECT_EQ(pixel(p, 50, 40), vesselColour(2));
    EXPECT_EQ(pixel(p, 250, 40), vesselColour(5));
    EXPECT_NE(vesselColour(2), vesselColour(5));
    // The centre line at y = 8 voxels = 16 mm + 1 mm (voxel centre) = 170 pixels, in white.
    EXPECT_EQ(pixel(p, 100, 170), (std::array<std::uint8_t, 3>{255, 255, 255}));
    // Second panel (along y): only z = 3 (12..16 mm) is coloured, superior up.
    const unsigned int second = 324;
    EXPECT_EQ(pixel(p, second + 50, 319 - 125), vesselColour(2));
    EXPECT_EQ(pixel(p, second + 50, 319 - 20), (std::array<std::uint8_t, 3>{0, 0, 0}));

    test::TempDir dir;
    writePng(dir / "p.png", p);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, (dir / "p.png").c_str()), 0);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> back(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr), 0);
    EXPECT_EQ(image.width, p.width);
    EXPECT_EQ(image.height, p.height);
    EXPECT_EQ(back, p.rgb);
}

// Scattered ids over many planes: the projections are gathered plane by plane on the worker
// threads; the picture is the same on one thread and on several, and every pixel of the panel
// along z shows the largest id on its ray, as a walk along the ray finds it.
TEST(PngPreview, ProjectionsAreTheSameOnAnyNumberOfThreads) {
    Geometry g;
    g.size = {40, 40, 37};
    DescriptorPtr ids = makeDescriptor(lumoTeskTypeUnsigned, 16, g.size);
    auto* v = static_cast<std::uint16_t*>(ids->data);
    std::uint32_t state = 3;
    for (unsigned long long i = 0; i < g.voxelCount(); ++i) {
        state = state * 1664525u + 1013904223u;
        v[i] = (state >> 27) == 0 ? static_cast<std::uint16_t>(1 + (state >> 8) % 600) : 0;
    }
    const Picture three = renderPreview(g, ids.get(), nullptr, {});
    EXPECT_EQ(test::sameOnAnyNumberOfThreads([&](unsigned) {
                  return renderPreview(g, ids.get(), nullptr, {}).rgb;
              }) == three.rgb,
              true);
    // 40 mm on every side of the first panel's 320 pixels: voxel (x, y) at pixel 8x + 4.
    for (unsigned y = 0; y < 40; y += 3) {
        for (unsigned x = 0; x < 40; x += 3) {
            std::uint16_t largest = 0;
            for (unsigned z = 0; z < 37; ++z) largest = std::max(largest, v[(z * 40 + y) * 40 + x]);
            const std::array<std::uint8_t, 3> expected =
                largest == 0 ? std::array<std::uint8_t, 3>{0, 0, 0} : vesselColour(largest);
            EXPECT_EQ(pixel(three, 8 * x + 4, 8 * y + 4), expected) << x << "," << y;
        }
    }
}

TEST(PngPreview, WithoutTerritoriesTheMaskIsGreyAndLinesAreColoured) {
    Geometry g;
    g.size = {8, 8, 8};
    DescriptorPtr mask = makeDescriptor(lumoTeskTypeUnsigned, 8, g.size);
    static_cast<std::uint8_t*>(mask->data)[0] = 1;
    Polyline line;
    line.vesselId = 4;
    line.points = {{7, 7, 7}};
    line.radii = {1};
    const Picture p = renderPreview(g, nullptr, mask.get(), {line});
    EXPECT_EQ(pixel(p, 0, 0), (std::array<std::uint8_t, 3>{90, 90, 90}));
    EXPECT_EQ(pixel(p, 300, 300), vesselColour(4));  // voxel 7 spans pixels 280..319
}

}  // namespace
}  // namespace angiolith::tool
