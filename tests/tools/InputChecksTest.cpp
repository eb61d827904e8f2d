// Damaged and hostile image files, crafted from valid ones: each must end in one line naming
// its fault, never in a crash or a silently wrong volume.
#include "RawNifti.h"
#include "ToolTestSupport.h"
#include "cli/GzipFile.h"
#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <nifti2_io.h>
#include <string>

namespace angiolith::tool {
namespace {

using test::TempDir;

std::string messageOf(const std::string& path) {
    try {
        readImage(path, "vessel mask");
    } catch (const UserError& error) {
        return error.what();
    }
    return "no error";
}

// A valid 2 x 3 x 4 unsigned 8-bit header of either NIfTI version.
template <typename Header>
Header validNifti() {
    const int dims[8] = {3, 2, 3, 4, 1, 1, 1, 1};
    return test::rawNiftiHeader<Header>(dims, DT_UINT8, 8);
}

// Writes @p h with @p dataBytes bytes of data.
template <typename Header>
void writeNifti(const std::string& path, const Header& h, std::size_t dataBytes = 24) {
    test::writeRawNifti(path, h, std::string(dataBytes, '\1'));
}

struct NiftiCase {
    const char* name;
    std::function<void(nifti_1_header&)> damage;
    const char* fault;  // expected in the message; "" when the file must read
};

TEST(InputChecks, DamagedNifti1HeadersAreRejectedInBothByteOrders) {
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
            nifti_1_header h = validNifti<nifti_1_header>();
            c.damage(h);
            if (swap) swap_nifti_header(&h, 1);
            writeNifti(dir / "case.nii", h);
            const std::string message = messageOf(dir / "case.nii");
            if (*c.fault == '\0') {
                EXPECT_EQ(message, "no error");
            } else {
                EXPECT_NE(message.find(c.fault), std::string::npos) << message;
                EXPECT_EQ(message.find('\n'), std::string::npos);
            }
        }
    }
}

TEST(InputChecks, Nifti2ExtentsBeyondThirtyTwoBitsAndTheCrashReproductions) {
    TempDir dir;
    nifti_2_header h = validNifti<nifti_2_header>();
    writeNifti(dir / "ok.nii", h);
    EXPECT_EQ(messageOf(dir / "ok.nii"), "no error");
    h.dim[1] = int64_t{1} << 40;
    writeNifti(dir / "wide.nii", h);
    EXPECT_NE(messageOf(dir / "wide.nii").find("(dim[1] is 1099511627776)"), std::string::npos);
    // Files that crashed the NIfTI library inside its header conversion.
    for (const char* name :
         {"nifti2-dim-crash.nii", "nifti2-dim-crash.nii.gz", "nifti2-stack-smash.nii.gz"}) {
        SCOPED_TRACE(name);
        const std::string message = messageOf(std::string(ANGIOLITH_TOOL_TEST_DATA) + "/" + name);
        EXPECT_NE(message.find("is a damaged NIfTI file (dim[0] is"), std::string::npos) << message;
    }
}

TEST(InputChecks, CorruptCompressedDataIsRejected) {
    TempDir dir;
    Volume v;
    v.geometry.size = {16, 16, 16};
    v.pic = makeDescriptor(lumoTeskTypeUnsigned, 8, v.geometry.size);
    for (int i = 0; i < 4096; ++i) static_cast<unsigned char*>(v.pic->data)[i] = i * 7 % 5;
    writeImage(dir / "v.nii.gz", v);
    std::string file = test::readFile(dir / "v.nii.gz");
    file[file.size() / 2] = static_cast<char>(file[file.size() / 2] ^ 0x10);
    test::writeFile(dir / "flipped.nii.gz", file);
    EXPECT_NE(messageOf(dir / "flipped.nii.gz").find("its compressed data is corrupt"),
              std::string::npos);
    test::writeFile(dir / "empty.nii.gz", "");
    EXPECT_EQ(messageOf(dir / "empty.nii.gz"),
              "cannot read the vessel mask '" + (dir / "empty.nii.gz") +
                  "': the file is empty; check the file and its permissions");
}

TEST(InputChecks, NrrdHeadersThatClaimTooMuchOrBadSpacings) {
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
        const std::string message = messageOf(dir / "v.nrrd");
        if (*c.fault == '\0') {
            EXPECT_EQ(message, "no error");
        } else {
            EXPECT_NE(message.find(c.fault), std::string::npos) << message;
        }
    }
}

// The gzip data of an NRRD file, decoded by the tool itself: every layout a writer may choose
// reads the same values; damaged data gets one line naming the fault.
TEST(InputChecks, NrrdGzipDataInEveryLayoutAndDamaged) {
    TempDir dir;
    // 4 x 3 x 2 unsigned 16-bit values as big-endian bytes.
    std::string values;
    for (int i = 0; i < 24; ++i) values += {static_cast<char>(i), static_cast<char>(7 + i)};
    auto gzip = [&](const std::string& data, std::size_t chunk) {
        writeGzipFile(dir / "scratch.gz", {{data.data(), data.size()}}, 1, chunk);
        return test::readFile(dir / "scratch.gz");
    };
    auto flipped = [](std::string data, std::size_t at) {
        data[at] = static_cast<char>(data[at] ^ 0x20);
        return data;
    };
    const std::string whole = gzip(values, 1 << 20);
    const char* damaged = "its gzip data is damaged: invalid compressed data or checksum mismatch";
    struct Case {
        const char* name;
        std::string fields;   // header lines beyond type, dimension, sizes, encoding, endian
        std::string payload;  // after the header, or in the data file v.raw.gz
        const char* fault;    // "" when the values must read back
    } cases[] = {
        {"one member", "", whole, ""},
        {"members, skips and surplus", "line skip: 1\nbyte skip: 3\n",
         "skipped line\n" + gzip("abc" + values + "surplus", 5), ""},
        {"detached", "data file: v.raw.gz\n", whole, ""},
        {"flipped data", "", flipped(whole, whole.size() / 2), damaged},
        {"flipped checksum", "", flipped(whole, whole.size() - 6), damaged},
        {"truncated", "", whole.substr(0, whole.size() - 5), damaged},
        {"short", "", gzip(values.substr(0, 40), 16),
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
