#include "RawNifti.h"
#include "ToolTestSupport.h"
#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>

namespace angiolith::tool {
namespace {

using test::TempDir;

// Writes a single-file NIfTI-1 image of @p dims with the RAS sform test::kRasSrow.
void writeRawNifti1(const std::string& path, const short (&dims)[8], short datatype, short bitpix,
                    const std::string& data) {
    test::writeRawNifti(path, test::rawNiftiHeader<nifti_1_header>(dims, datatype, bitpix), data);
}

// Voxel (1, 2, 3) of a grid with the sform test::kRasSrow lies at RAS (10.7, 21.6, 34.5), which
// is LPS (-10.7, -21.6, 34.5).
void expectRasGridInLps(const Geometry& grid) {
    const Vec3 w = grid.indexToWorld({1, 2, 3});
    EXPECT_NEAR(w[0], -10.7, 1e-5);
    EXPECT_NEAR(w[1], -21.6, 1e-5);
    EXPECT_NEAR(w[2], 34.5, 1e-5);
}

std::string bytes(int count, int start) {
    std::string data;
    for (int i = 0; i < count; ++i) data += static_cast<char>(start + i);
    return data;
}

std::string messageOf(const std::string& path, const std::string& role) {
    try {
        readImage(path, role);
    } catch (const UserError& error) {
        return error.what();
    }
    return "no error";
}

TEST(ImageIO, NiftiRasBecomesLps) {
    TempDir dir;
    const short dims[8] = {3, 2, 3, 4, 1, 1, 1, 1};
    writeRawNifti1(dir / "a.nii", dims, DT_UINT8, 8, bytes(24, 0));
    const Volume v = readImage(dir / "a.nii", "vessel mask");
    EXPECT_EQ(v.pic->type, lumoTeskTypeUnsigned);
    EXPECT_EQ(v.pic->bits, 8u);
    EXPECT_EQ(v.geometry.size, (std::array<unsigned int, 3>{2, 3, 4}));
    // RAS (x right, y anterior) to LPS (x left, y posterior): x and y change sign.
    EXPECT_NEAR(v.geometry.spacing[0], 0.7, 1e-6);
    EXPECT_NEAR(v.geometry.spacing[1], 0.8, 1e-6);
    EXPECT_NEAR(v.geometry.spacing[2], 1.5, 1e-6);
    EXPECT_NEAR(v.geometry.origin[0], -10, 1e-6);
    EXPECT_NEAR(v.geometry.origin[1], -20, 1e-6);
    EXPECT_NEAR(v.geometry.origin[2], 30, 1e-6);
    EXPECT_DOUBLE_EQ(v.geometry.direction[0][0], -1);
    EXPECT_DOUBLE_EQ(v.geometry.direction[1][1], -1);
    EXPECT_DOUBLE_EQ(v.geometry.direction[2][2], 1);
    expectRasGridInLps(v.geometry);
    const auto* data = static_cast<const std::uint8_t*>(v.pic->data);
    EXPECT_EQ(data[(3 * 3 + 2) * 2 + 1], 23);
}

// Reverses the bytes of @p count fields of @p width bytes from @p at: the other byte order.
void swapFields(std::string& bytes, std::size_t at, std::size_t width, std::size_t count = 1) {
    for (std::size_t i = 0; i < count; ++i, at += width) {
        std::reverse(bytes.begin() + static_cast<long>(at),
                     bytes.begin() + static_cast<long>(at + width));
    }
}

TEST(ImageIO, Nifti2IsReadLikeNifti1InBothByteOrders) {
    test::TempDir dir;
    const std::int64_t dims[8] = {3, 2, 3, 4, 1, 1, 1, 1};
    const nifti_2_header h = test::rawNiftiHeader<nifti_2_header>(dims, DT_INT16, 16);
    std::string data;
    for (int i = 0; i < 24; ++i) {
        const std::int16_t value = static_cast<std::int16_t>(1000 + i);
        data.append(reinterpret_cast<const char*>(&value), 2);
    }
    const std::string little =
        std::string(reinterpret_cast<const char*>(&h), sizeof h) + std::string(4, '\0') + data;
    // The same file written on a machine of the other byte order: every non-zero field and
    // every voxel swapped, the magic as it is.
    std::string big = little;
    swapFields(big, offsetof(nifti_2_header, sizeof_hdr), 4);
    swapFields(big, offsetof(nifti_2_header, datatype), 2);
    swapFields(big, offsetof(nifti_2_header, bitpix), 2);
    swapFields(big, offsetof(nifti_2_header, dim), 8, 8);
    swapFields(big, offsetof(nifti_2_header, pixdim), 8, 8);
    swapFields(big, offsetof(nifti_2_header, vox_offset), 8);
    swapFields(big, offsetof(nifti_2_header, scl_slope), 8);
    swapFields(big, offsetof(nifti_2_header, sform_code), 4);
    for (std::size_t row : {offsetof(nifti_2_header, srow_x), offsetof(nifti_2_header, srow_y),
                            offsetof(nifti_2_header, srow_z)}) {
        swapFields(big, row, 8, 4);
    }
    swapFields(big, 544, 2, 24);

    for (const auto& [name, file] : {std::pair{"little.nii", little}, std::pair{"big.nii", big}}) {
        SCOPED_TRACE(name);
        test::writeFile(dir / name, file);
        const Volume v = readImage(dir / name, "vessel mask");
        EXPECT_EQ(v.pic->type, lumoTeskTypeSigned);
        EXPECT_EQ(v.pic->bits, 16u);
        EXPECT_EQ(v.geometry.size, (std::array<unsigned int, 3>{2, 3, 4}));
        expectRasGridInLps(v.geometry);
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(static_cast<const std::int16_t*>(v.pic->data)[i], 1000 + i) << i;
        }
    }
}

TEST(ImageIO, NrrdSpacesBecomeLps) {
    TempDir dir;
    const std::string header =
        "NRRD0004\ntype: short\ndimension: 3\nspace: right-anterior-superior\n"
        "sizes: 2 3 4\nspace directions: (0.7,0,0) (0,0.8,0) (0,0,1.5)\n"
        "space origin: (10,20,30)\nendian: little\nencoding: raw\n\n";
    std::string data;
    for (int i = 0; i < 24; ++i) {
        const std::int16_t value = static_cast<std::int16_t>(-i);
        data.append(reinterpret_cast<const char*>(&value), 2);
    }
    test::writeFile(dir / "a.nrrd", header + data);
    const Volume v = readImage(dir / "a.nrrd", "vessel mask");
    EXPECT_EQ(v.pic->type, lumoTeskTypeSigned);
    EXPECT_EQ(v.pic->bits, 16u);
    expectRasGridInLps(v.geometry);
    EXPECT_EQ(static_cast<const std::int16_t*>(v.pic->data)[23], -23);

    // A file in LPS is taken as it is; one without a space uses axis spacings and minima.
    std::string lps = header;
    lps.replace(lps.find("right-anterior-superior"), 23, "left-posterior-superior");
    test::writeFile(dir / "b.nrrd", lps + data);
    EXPECT_NEAR(readImage(dir / "b.nrrd", "mask").geometry.origin[0], 10, 1e-9);
    test::writeFile(dir / "c.nrrd",
                    "NRRD0004\ntype: short\ndimension: 3\nsizes: 2 3 4\nspacings: 2 3 4\n"
                    "axis mins: 1 2 3\nendian: little\nencoding: raw\n\n" +
                        data);
    const Volume c = readImage(dir / "c.nrrd", "mask");
    EXPECT_NEAR(c.geometry.indexToWorld({1, 1, 1})[2], 7, 1e-9);

    // A single layer of a segmentation: a list axis of one value before the three domain axes.
    std::string layer = header;
    layer.replace(layer.find("dimension: 3"), 12, "dimension: 4");
    layer.replace(layer.find("sizes: 2 3 4"), 12, "sizes: 1 2 3 4");
    layer.replace(layer.find("space directions: "), 18, "space directions: none ");
    test::writeFile(dir / "d.nrrd", layer + data);
    const Volume d = readImage(dir / "d.nrrd", "mask");
    EXPECT_EQ(d.geometry.size, v.geometry.size);
    EXPECT_EQ(geometryDifference(d.geometry, v.geometry), "");
    EXPECT_EQ(std::memcmp(d.pic->data, v.pic->data, data.size()), 0);
    // Two layers are two volumes.
    layer.replace(layer.find("sizes: 1 2 3 4"), 14, "sizes: 2 2 3 4");
    test::writeFile(dir / "e.nrrd", layer + data + data);
    EXPECT_EQ(messageOf(dir / "e.nrrd", "mask"),
              "'" + (dir / "e.nrrd") +
                  "' has 4 dimensions; angiolith needs a single 3-D volume: extract one volume "
                  "first");
}

TEST(ImageIO, EveryFormatKeepsGeometryAndValues) {
    TempDir dir;
    Volume v;
    v.geometry.size = {5, 4, 3};
    v.geometry.spacing = {0.7, 0.75, 1.5};
    v.geometry.origin = {-100, -80, 20};
    // An oblique grid: rotated by 30 degrees about z.
    const double c = std::cos(0.5235987755982988), s = std::sin(0.5235987755982988);
    v.geometry.direction = {Vec3{c, -s, 0}, Vec3{s, c, 0}, Vec3{0, 0, 1}};
    v.pic = makeDescriptor(lumoTeskTypeFloat, 32, v.geometry.size);
    auto* values = static_cast<float*>(v.pic->data);
    for (int i = 0; i < 60; ++i) values[i] = 0.25f * static_cast<float>(i) - 3.0f;

    for (const std::string name : {"v.nii.gz", "v.nii", "v.nrrd", "v.nhdr"}) {
        SCOPED_TRACE(name);
        writeImage(dir / name, v);
        const Volume back = readImage(dir / name, "volume");
        EXPECT_EQ(geometryDifference(v.geometry, back.geometry), "");
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(back.geometry.origin[i], v.geometry.origin[i], 1e-4);
            EXPECT_NEAR(back.geometry.spacing[i], v.geometry.spacing[i], 1e-6);
            for (int j = 0; j < 3; ++j) {
                EXPECT_NEAR(back.geometry.direction[i][j], v.geometry.direction[i][j], 1e-6);
            }
        }
        ASSERT_EQ(back.pic->type, lumoTeskTypeFloat);
        ASSERT_EQ(back.pic->bits, 32u);
        EXPECT_EQ(std::memcmp(back.pic->data, v.pic->data, 60 * sizeof(float)), 0);
    }
}

TEST(ImageIO, BadFilesGetOneLineMessages) {
    TempDir dir;
    EXPECT_EQ(
        messageOf(dir / "none.nii", "vessel mask"),
        "cannot read the vessel mask '" + (dir / "none.nii") + "': no such file; check the path");
    EXPECT_NE(messageOf(dir.path(), "vessel mask").find("it is a folder"), std::string::npos);

    test::writeFile(dir / "a.png", "not an image");
    EXPECT_EQ(messageOf(dir / "a.png", "tissue mask"),
              "the tissue mask '" + (dir / "a.png") +
                  "' is in an unsupported format; use NIfTI (.nii, .nii.gz) or NRRD "
                  "(.nrrd, .nhdr)");

    test::writeFile(dir / "garbage.nii", std::string(400, 'x'));
    EXPECT_NE(messageOf(dir / "garbage.nii", "mask").find("is not a readable NIfTI file"),
              std::string::npos);
    test::writeFile(dir / "garbage.nrrd", "NRRD0004\ntype: banana\n");
    EXPECT_NE(messageOf(dir / "garbage.nrrd", "mask").find("is not a readable NRRD file"),
              std::string::npos);
    // Numbers as text, which Teem would read as an image of its plain text format.
    for (const char* text : {"1 2 3\n4 5 6\n", "NRRD0004nan\ntype: short\n"}) {
        test::writeFile(dir / "text.nrrd", text);
        EXPECT_EQ(messageOf(dir / "text.nrrd", "mask"),
                  "'" + (dir / "text.nrrd") +
                      "' is not a readable NRRD file (it does not start with an NRRD magic such "
                      "as NRRD0004); export the image again as .nrrd");
    }

    const short flat[8] = {2, 4, 6, 1, 1, 1, 1, 1};
    writeRawNifti1(dir / "flat.nii", flat, DT_UINT8, 8, bytes(24, 0));
    EXPECT_EQ(messageOf(dir / "flat.nii", "mask"),
              "'" + (dir / "flat.nii") + "' is a 2-D image; angiolith needs a 3-D volume");

    const short series[8] = {4, 2, 2, 2, 3, 1, 1, 1};
    writeRawNifti1(dir / "series.nii", series, DT_UINT8, 8, bytes(24, 0));
    EXPECT_NE(messageOf(dir / "series.nii", "mask").find("has 4 dimensions"), std::string::npos);

    const short wide[8] = {3, 2, 2, 2, 1, 1, 1, 1};
    writeRawNifti1(dir / "wide.nii", wide, DT_INT64, 64, std::string(64, '\0'));
    EXPECT_NE(messageOf(dir / "wide.nii", "mask").find("holds elements of type INT64"),
              std::string::npos);

    if (geteuid() != 0) {
        const short dims[8] = {3, 2, 3, 4, 1, 1, 1, 1};
        writeRawNifti1(dir / "locked.nii", dims, DT_UINT8, 8, bytes(24, 0));
        ::chmod((dir / "locked.nii").c_str(), 0);
        EXPECT_EQ(messageOf(dir / "locked.nii", "mask"),
                  "cannot read the mask '" + (dir / "locked.nii") +
                      "': Permission denied; check the file and its permissions");
    }
}

TEST(ImageIO, ScaledNiftiKeepsItsScaledValues) {
    TempDir dir;
    const short dims[8] = {3, 2, 1, 1, 1, 1, 1, 1};
    writeRawNifti1(dir / "s.nii", dims, DT_UINT8, 8, std::string("\0\2", 2));
    // Patch scl_slope 0.5 and scl_inter -1 into the header: raw 0 becomes -1, raw 2 becomes 0.
    std::string file = test::readFile(dir / "s.nii");
    const float slope = 0.5f, inter = -1.0f;
    std::memcpy(&file[offsetof(nifti_1_header, scl_slope)], &slope, 4);
    std::memcpy(&file[offsetof(nifti_1_header, scl_inter)], &inter, 4);
    test::writeFile(dir / "s.nii", file);
    const Volume v = readImage(dir / "s.nii", "mask");
    ASSERT_EQ(v.pic->type, lumoTeskTypeFloat);
    ASSERT_EQ(v.pic->bits, 64u);
    EXPECT_EQ(static_cast<const double*>(v.pic->data)[0], -1.0);
    EXPECT_EQ(static_cast<const double*>(v.pic->data)[1], 0.0);
}

}  // namespace
}  // namespace angiolith::tool
