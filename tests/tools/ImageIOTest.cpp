// Image files: NIfTI and NRRD files of every layout read into the LPS frame with their values,
// every format the tool writes reads back, and damaged or hostile files, crafted from valid ones,
// end in one line naming their fault, never in a crash or a silently wrong volume.
#include "ToolTestSupport.h"
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"
#include "cli/UserError.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <nifti2_io.h>
#include <string>
#include <type_traits>
#include <unistd.h>

namespace angiolith::tool {
namespace {

using test::TempDir;

// The sform rows of a RAS grid: spacing (0.7, 0.8, 1.5), origin (10, 20, 30).
constexpr float kRasSrow[3][4] = {{0.7f, 0, 0, 10}, {0, 0.8f, 0, 20}, {0, 0, 1.5f, 30}};

// A single-file NIfTI header, built from the format's own structures independently of the tool's
// writer, of either version (nifti_1_header or nifti_2_header) for @p dims (dim[0] first; by
// default 2 x 3 x 4) of @p datatype with @p bitpix bits: unit pixdim, unscaled, the sform
// kRasSrow, the data right after the header and its 4-byte extension flag.
template <typename Header>
Header niftiHeader(const std::array<long long, 8>& dims = {3, 2, 3, 4, 1, 1, 1, 1},
                   short datatype = DT_UINT8, short bitpix = 8) {
    constexpr bool two = std::is_same_v<Header, nifti_2_header>;
    Header h;
    std::memset(&h, 0, sizeof h);
    h.sizeof_hdr = two ? 540 : 348;
    std::memcpy(h.magic, two ? "n+2\0\r\n\032\n" : "n+1\0", two ? 8 : 4);
    for (int i = 0; i < 8; ++i) {
        h.dim[i] = static_cast<std::remove_reference_t<decltype(h.dim[0])>>(dims[i]);
        h.pixdim[i] = 1;
    }
    h.datatype = datatype;
    h.bitpix = bitpix;
    h.vox_offset = h.sizeof_hdr + 4;
    h.scl_slope = 1;
    h.sform_code = 1;
    for (int col = 0; col < 4; ++col) {
        h.srow_x[col] = kRasSrow[0][col];
        h.srow_y[col] = kRasSrow[1][col];
        h.srow_z[col] = kRasSrow[2][col];
    }
    return h;
}

// The bytes of a single-file NIfTI: @p h, a zero extension flag and @p data.
template <typename Header>
std::string niftiFile(const Header& h, const std::string& data) {
    return std::string(reinterpret_cast<const char*>(&h), sizeof h) + std::string(4, '\0') + data;
}

// The message of reading @p path as the @p role ("no error" when it reads).
std::string messageOf(const std::string& path, const std::string& role = "vessel mask") {
    return angiolith::test::messageOf<UserError>([&] { readImage(path, role); });
}

// @p message is @p expected, or with @p partial a single line that holds it.
void expectMessage(const std::string& message, const std::string& expected, bool partial) {
    if (!partial) {
        EXPECT_EQ(message, expected);
    } else {
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

// Reading @p path gives a one-line message that holds @p fault, or reads when @p fault is "".
void expectFault(const std::string& path, const std::string& fault) {
    expectMessage(messageOf(path), fault.empty() ? "no error" : fault, !fault.empty());
}

// @p data as the tool's gzip writer compresses it in chunks of @p chunk bytes.
std::string gzipped(const TempDir& dir, const std::string& data, std::size_t chunk = 1 << 20) {
    writeGzipFile(dir / "scratch.gz", {{data.data(), data.size()}}, 1, chunk);
    return test::readFile(dir / "scratch.gz");
}

// @p data with the byte at @p at changed.
std::string flipped(std::string data, std::size_t at) {
    data[at] = static_cast<char>(data[at] ^ 0x20);
    return data;
}

// The grid of kRasSrow over 2 x 3 x 4 voxels in LPS: RAS (x right, y anterior) to LPS (x left,
// y posterior) changes the sign of x and y.
Geometry rasGridInLps() {
    Geometry g;
    g.size = {2, 3, 4};
    g.spacing = {0.7, 0.8, 1.5};
    g.origin = {-10, -20, 30};
    g.direction = {Vec3{-1, 0, 0}, Vec3{0, -1, 0}, Vec3{0, 0, 1}};
    return g;
}

// @p actual is the grid @p expected: the same extents, every number of the position within
// single precision.
void expectGrid(const Geometry& actual, const Geometry& expected) {
    EXPECT_EQ(actual.size, expected.size);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual.origin[i], expected.origin[i], 1e-4) << i;
        EXPECT_NEAR(actual.spacing[i], expected.spacing[i], 1e-6) << i;
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(actual.direction[i][j], expected.direction[i][j], 1e-6) << i << j;
        }
    }
}

// @p count values from @p first of type T, as the bytes of a file of either byte order.
template <typename T>
std::string valueBytes(int count, int first, bool swapped = false) {
    std::string data;
    for (int i = 0; i < count; ++i) {
        const T value = static_cast<T>(first + i);
        std::string field(reinterpret_cast<const char*>(&value), sizeof value);
        if (swapped) std::reverse(field.begin(), field.end());
        data += field;
    }
    return data;
}

// The 2 x 3 x 4 grid of kRasSrow in NIfTI-1 of 8-bit values 0..23 and in NIfTI-2 of 16-bit
// values 1000..1023, each as written on a machine of either byte order (the header swapped by
// the NIfTI library, every voxel swapped, the magic as it is).
TEST(ImageIO, NiftiOfEitherVersionAndByteOrderBecomesLps) {
    TempDir dir;
    for (const bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "other byte order" : "this machine's byte order");
        auto one = niftiHeader<nifti_1_header>();
        auto two = niftiHeader<nifti_2_header>({3, 2, 3, 4, 1, 1, 1, 1}, DT_INT16, 16);
        if (swapped) {
            swap_nifti_header(&one, 1);
            swap_nifti_header(&two, 2);
        }
        test::writeFile(dir / "1.nii", niftiFile(one, valueBytes<std::uint8_t>(24, 0)));
        test::writeFile(dir / "2.nii", niftiFile(two, valueBytes<std::int16_t>(24, 1000, swapped)));
        const Volume v1 = readImage(dir / "1.nii", "vessel mask");
        const Volume v2 = readImage(dir / "2.nii", "vessel mask");
        EXPECT_EQ(kindName(v1.pic->type, v1.pic->bits), "uint8");
        EXPECT_EQ(kindName(v2.pic->type, v2.pic->bits), "int16");
        expectGrid(v1.geometry, rasGridInLps());
        expectGrid(v2.geometry, rasGridInLps());
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(static_cast<const std::uint8_t*>(v1.pic->data)[i], i) << i;
            EXPECT_EQ(static_cast<const std::int16_t*>(v2.pic->data)[i], 1000 + i) << i;
        }
    }
}

TEST(ImageIO, NrrdSpacesBecomeLps) {
    TempDir dir;
    const std::string header =
        "NRRD0004\ntype: short\ndimension: 3\nspace: right-anterior-superior\n"
        "sizes: 2 3 4\nspace directions: (0.7,0,0) (0,0.8,0) (0,0,1.5)\n"
        "space origin: (10,20,30)\nendian: little\nencoding: raw\n\n";
    const std::string data = valueBytes<std::int16_t>(24, -23);
    test::writeFile(dir / "a.nrrd", header + data);
    const Volume v = readImage(dir / "a.nrrd", "vessel mask");
    EXPECT_EQ(kindName(v.pic->type, v.pic->bits), "int16");
    expectGrid(v.geometry, rasGridInLps());
    EXPECT_EQ(std::memcmp(v.pic->data, data.data(), data.size()), 0);
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
    expectGrid(d.geometry, rasGridInLps());
    EXPECT_EQ(std::memcmp(d.pic->data, data.data(), data.size()), 0);
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
        expectGrid(back.geometry, v.geometry);
        ASSERT_EQ(kindName(back.pic->type, back.pic->bits), "float32");
        EXPECT_EQ(std::memcmp(back.pic->data, v.pic->data, 60 * sizeof(float)), 0);
    }
    // The compressed NIfTI holds, as zlib reads it, the plain one: the 348-byte header, four
    // bytes without extension and the voxels.
    const std::string plain = test::readFile(dir / "v.nii");
    EXPECT_EQ(test::inflateMembers(test::readFile(dir / "v.nii.gz")).first, plain);
    ASSERT_EQ(plain.size(), 352u + 60 * sizeof(float));
    std::int32_t sizeofHeader = 0;
    std::memcpy(&sizeofHeader, plain.data(), 4);
    EXPECT_EQ(sizeofHeader, 348);
    EXPECT_EQ(plain.substr(344, 4), std::string("n+1\0", 4));
    EXPECT_EQ(std::memcmp(plain.data() + 352, v.pic->data, 60 * sizeof(float)), 0);
}

// Each file's message, exactly, with "{}" standing for its path; rows marked partial give a part.
TEST(ImageIO, BadFilesGetOneLineMessages) {
    TempDir dir;
    const std::string raw = "\nendian: little\nencoding: raw\n\n", zeros(24, '\0');
    const std::string compressed = gzipped(dir, niftiFile(niftiHeader<nifti_1_header>(), zeros));
    nifti_2_header wide = niftiHeader<nifti_2_header>();
    wide.dim[1] = int64_t{1} << 40;
    // Files that crashed the NIfTI library inside its header conversion.
    const std::string crashed = "is a damaged NIfTI file (dim[0] is";
    const auto crash = [](const char* name) {
        return test::readFile(std::string(ANGIOLITH_TOOL_TEST_DATA) + "/" + name);
    };
    const std::string noMagic =
        "'{}' is not a readable NRRD file (it does not start with an NRRD magic such as NRRD0004); "
        "export the image again as .nrrd";
    struct Case {
        const char* name;
        std::string content;
        std::string message;
        bool partial = false;
    } cases[] = {
        {"a.png", "not an image",
         "the tissue mask '{}' is in an unsupported format; use NIfTI (.nii, .nii.gz) or NRRD "
         "(.nrrd, .nhdr)"},
        {"garbage.nii", std::string(400, 'x'), "is not a readable NIfTI file", true},
        {"garbage.nrrd", "NRRD0004\ntype: banana\n", "is not a readable NRRD file", true},
        {"early.nrrd", "NRRD0004\ntype: float\ncenterings: cell\ndimension: 1\nsizes: 2\n",
         "'{}' is not a readable NRRD file (its 'centerings' line comes before its 'dimension' "
         "line); export the image again as .nrrd"},
        {"wide.nrrd",
         "NRRD0004\ntype: int64\ndimension: 3\nsizes: 2 2 2" + raw + std::string(64, 1),
         "'{}' holds elements of type long long int, which angiolith does not read; save it with "
         "8-, 16- or 32-bit integers or 32- or 64-bit floats"},
        {"flat.nrrd", "NRRD0004\ntype: uchar\ndimension: 2\nsizes: 4 4" + raw + std::string(16, 1),
         "'{}' is a 2-D image; angiolith needs a 3-D volume"},
        // Numbers as text, which Teem would read as an image of its plain text format.
        {"numbers.nrrd", "1 2 3\n4 5 6\n", noMagic},
        {"nan.nrrd", "NRRD0004nan\ntype: short\n", noMagic},
        {"flat.nii", niftiFile(niftiHeader<nifti_1_header>({2, 4, 6, 1, 1, 1, 1, 1}), zeros),
         "'{}' is a 2-D image; angiolith needs a 3-D volume"},
        {"series.nii", niftiFile(niftiHeader<nifti_1_header>({4, 2, 2, 2, 3, 1, 1, 1}), zeros),
         "has 4 dimensions", true},
        {"flipped.nii.gz", flipped(compressed, compressed.size() / 2),
         "its compressed data is corrupt", true},
        {"empty.nii.gz", "",
         "cannot read the tissue mask '{}': the file is empty; check the file and its permissions"},
        {"wide2.nii", niftiFile(wide, zeros), "(dim[1] is 1099511627776)", true},
        {"nifti2-dim-crash.nii", crash("nifti2-dim-crash.nii"), crashed, true},
        {"nifti2-dim-crash.nii.gz", crash("nifti2-dim-crash.nii.gz"), crashed, true},
        {"nifti2-stack-smash.nii.gz", crash("nifti2-stack-smash.nii.gz"), crashed, true},
        {"wide.nii",
         niftiFile(niftiHeader<nifti_1_header>({3, 2, 2, 2, 1, 1, 1, 1}, DT_INT64, 64),
                   std::string(64, 0)),
         "holds elements of type INT64", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir / c.name, c.content);
        const std::string message = messageOf(dir / c.name, "tissue mask");
        std::string expected = c.message;
        if (expected.find("{}") != std::string::npos) {
            expected.replace(expected.find("{}"), 2, dir / c.name);
        }
        expectMessage(message, expected, c.partial);
    }

    EXPECT_EQ(
        messageOf(dir / "none.nii", "vessel mask"),
        "cannot read the vessel mask '" + (dir / "none.nii") + "': no such file; check the path");
    EXPECT_NE(messageOf(dir.path(), "vessel mask").find("it is a folder"), std::string::npos);
    if (geteuid() != 0) {
        test::writeFile(dir / "locked.nii", niftiFile(niftiHeader<nifti_1_header>(), zeros));
        ::chmod((dir / "locked.nii").c_str(), 0);
        EXPECT_EQ(messageOf(dir / "locked.nii", "mask"),
                  "cannot read the mask '" + (dir / "locked.nii") +
                      "': Permission denied; check the file and its permissions");
    }
}

TEST(ImageIO, ScaledNiftiKeepsItsScaledValues) {
    TempDir dir;
    // scl_slope 0.5 and scl_inter -1: raw 0 becomes -1, raw 2 becomes 0.
    nifti_1_header h = niftiHeader<nifti_1_header>({3, 2, 1, 1, 1, 1, 1, 1});
    h.scl_slope = 0.5f;
    h.scl_inter = -1.0f;
    test::writeFile(dir / "s.nii", niftiFile(h, std::string("\0\2", 2)));
    const Volume v = readImage(dir / "s.nii", "mask");
    ASSERT_EQ(v.pic->type, lumoTeskTypeFloat);
    ASSERT_EQ(v.pic->bits, 64u);
    EXPECT_EQ(static_cast<const double*>(v.pic->data)[0], -1.0);
    EXPECT_EQ(static_cast<const double*>(v.pic->data)[1], 0.0);
}

struct NiftiCase {
    const char* name;
    std::function<void(nifti_1_header&)> damage;
    const char* fault;  // expected in the message; "" when the file must read
};

TEST(ImageIO, DamagedNifti1HeadersAreRejectedInBothByteOrders) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const NiftiCase cases[] = {
        {"valid", [](nifti_1_header&) {}, ""},
        {"dim0", [](nifti_1_header& h) { h.dim[0] = 9; }, "(dim[0] is 9, not 1 to 7)"},
        {"dim0 zero", [](nifti_1_header& h) { h.dim[0] = 0; }, "(dim[0] is 0, not 1 to 7)"},
        {"extent", [](nifti_1_header& h) { h.dim[2] = -3; }, "(dim[2] is -3)"},
        {"bitpix", [](nifti_1_header& h) { h.bitpix = 16; },
         "(bitpix 16 does not match datatype uint8)"},
        {"1-bit", [](nifti_1_header& h) { h.datatype = DT_BINARY, h.bitpix = 1; },
         "holds elements of type BINARY, which angiolith does not read"},
        {"offset 0", [](nifti_1_header& h) { h.vox_offset = 0; },
         "(its voxel data offset lies inside the header)"},
        {"offset negative", [](nifti_1_header& h) { h.vox_offset = -4; },
         "(its voxel data offset lies inside the header)"},
        {"offset nan", [nan](nifti_1_header& h) { h.vox_offset = nan; },
         "(its voxel data offset lies inside the header)"},
        {"beyond the data", [](nifti_1_header& h) { h.vox_offset = 360; }, "it is truncated"},
        {"voxel size nan", [nan](nifti_1_header& h) { h.pixdim[2] = nan; },
         "(its voxel size is not a finite number)"},
        {"scale", [inf](nifti_1_header& h) { h.scl_slope = inf; },
         "(its scale (scl_slope, scl_inter) is not a finite number)"},
        {"colinear axes",
         [](nifti_1_header& h) {
             const float row[4] = {0.7f, 0.7f, 0, 10};
             std::memcpy(h.srow_x, row, sizeof row);
             h.srow_y[0] = 0.8f;
             h.srow_y[1] = 0.8f;
         },
         "its voxel axes are parallel or nearly so"},
        {"huge voxel", [](nifti_1_header& h) { h.srow_z[2] = 1e30f; }, "cannot be represented"},
        {"pair header", [](nifti_1_header& h) { std::memcpy(h.magic, "ni1\0", 4); },
         "is the header of a .hdr/.img pair"},
    };
    TempDir dir;
    for (const NiftiCase& c : cases) {
        for (const bool swap : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (swap ? " swapped" : ""));
            nifti_1_header h = niftiHeader<nifti_1_header>();
            c.damage(h);
            if (swap) swap_nifti_header(&h, 1);
            test::writeFile(dir / "case.nii", niftiFile(h, std::string(24, '\1')));
            expectFault(dir / "case.nii", c.fault);
        }
    }
}

TEST(ImageIO, NrrdHeadersThatClaimTooMuchOrBadSpacings) {
    struct Case {
        const char* fields;
        const char* fault;
    } cases[] = {
        {"sizes: 2 2 2\nspacings: 1 1 1\n", ""},
        {"sizes: 2 2 2\nspacings: nan 1 1\n", "has an invalid voxel spacing (spacings: nan 1 1)"},
        {"sizes: 2 2 2\nspacings: 1 -1 1\n", "has an invalid voxel spacing (spacings: 1 -1 1)"},
        {"sizes: 512 512 512\n", "claims 134217728 bytes of voxel data, more than its data"},
        {"sizes: 40000 2 2\n", "is too large (sizes: 40000 2 2)"},
        {"sizes: 2 2 2\nspacings: 1e30 1 1\n", "cannot be represented"},
        {"sizes: 2 2 2\ndata file: LIST\n", "spreads its voxel data over several files"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        test::writeFile(dir / "v.nrrd", std::string("NRRD0004\ntype: uchar\ndimension: 3\n") +
                                            c.fields + "endian: little\nencoding: raw\n\n" +
                                            std::string(8, '\1'));
        expectFault(dir / "v.nrrd", c.fault);
    }
}

// The gzip data of an NRRD file, decoded by the tool itself: every layout a writer may choose
// reads the same values; damaged data gets one line naming the fault.
TEST(ImageIO, NrrdGzipDataInEveryLayoutAndDamaged) {
    TempDir dir;
    // 4 x 3 x 2 unsigned 16-bit values as big-endian bytes.
    std::string values;
    for (int i = 0; i < 24; ++i) values += {static_cast<char>(i), static_cast<char>(7 + i)};
    const std::string whole = gzipped(dir, values);
    const char* damaged = "its gzip data is damaged: invalid compressed data or checksum mismatch";
    struct Case {
        const char* name;
        std::string fields;   // header lines beyond type, dimension, sizes, encoding, endian
        std::string payload;  // after the header, or in the data file v.raw.gz
        const char* fault;    // "" when the values must read back
    } cases[] = {
        {"one member", "", whole, ""},
        {"members, skips and surplus", "line skip: 1\nbyte skip: 3\n",
         "skipped line\n" + gzipped(dir, "abc" + values + "surplus", 5), ""},
        {"detached", "data file: v.raw.gz\n", whole, ""},
        {"flipped data", "", flipped(whole, whole.size() / 2), damaged},
        {"flipped checksum", "", flipped(whole, whole.size() - 6), damaged},
        {"truncated", "", whole.substr(0, whole.size() - 5), damaged},
        {"short", "", gzipped(dir, values.substr(0, 40), 16),
         "its gzip data ends before the voxel data does"},
        {"byte skip -1", "byte skip: -1\n", whole, "'byte skip: -1' needs raw encoding, not gzip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool detached = c.fields.find("data file") != std::string::npos;
        const std::string path = dir / (detached ? "v.nhdr" : "v.nrrd");
        const std::string header =
            "NRRD0004\ntype: ushort\ndimension: 3\nsizes: 4 3 2\nencoding: gzip\n"
            "endian: big\n" +
            c.fields + "\n";
        test::writeFile(path, detached ? header : header + c.payload);
        test::writeFile(dir / "v.raw.gz", c.payload);
        if (*c.fault != '\0') {
            EXPECT_EQ(messageOf(path), "'" + path + "' is not a readable NRRD file (" + c.fault +
                                           "); export the image again as .nrrd");
            continue;
        }
        const Volume volume = readImage(path, "vessel mask");
        ASSERT_EQ(volume.pic->bits, 16u);
        const auto* read = static_cast<const std::uint16_t*>(volume.pic->data);
        for (int i = 0; i < 24; ++i) EXPECT_EQ(read[i], i * 256 + 7 + i) << i;
    }
}

}  // namespace
}  // namespace angiolith::tool
