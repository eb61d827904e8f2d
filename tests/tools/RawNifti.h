#ifndef ANGIOLITH_TESTS_TOOLS_RAWNIFTI_H
#define ANGIOLITH_TESTS_TOOLS_RAWNIFTI_H

// Single-file NIfTI images written byte by byte from the format's own header structures,
// independently of the tool's writer.
#include "nifti1.h"
#include "nifti2.h"

#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>

namespace angiolith::tool::test {

/// The sform rows of a RAS grid: spacing (0.7, 0.8, 1.5), origin (10, 20, 30).
inline constexpr float kRasSrow[3][4] = {{0.7f, 0, 0, 10}, {0, 0.8f, 0, 20}, {0, 0, 1.5f, 30}};

/// A header of either NIfTI version (nifti_1_header or nifti_2_header) for @p dims (dim[0]
/// first) of @p datatype with @p bitpix bits: unit pixdim, unscaled, the sform kRasSrow, the data
/// right after the header and its 4-byte extension flag.
template <typename Header, typename Dim>
Header rawNiftiHeader(const Dim (&dims)[8], short datatype, short bitpix) {
    constexpr bool two = std::is_same_v<Header, nifti_2_header>;
    Header h;
    std::memset(&h, 0, sizeof h);
    h.sizeof_hdr = two ? 540 : 348;
    std::memcpy(h.magic, two ? "n+2\0\r\n\032\n" : "n+1\0", two ? 8 : 4);
    for (int i = 0; i < 8; ++i) {
        h.dim[i] = dims[i];
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

/// Writes @p h, a zero extension flag and @p data to @p path.
template <typename Header>
void writeRawNifti(const std::string& path, const Header& h, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&h), sizeof h);
    out.write("\0\0\0\0", 4);
    out << data;
}

}  // namespace angiolith::tool::test

#endif
