#include "cli/NiftiHeader.h"

#include "cli/ImageIO.h"
#include "cli/UserError.h"

#include <angiolith/image/detail/ElementKinds.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <nifti2_io.h>
#include <vector>
#include <zlib.h>

namespace angiolith::tool {

namespace {

// Field offsets of the two header layouts (NIfTI-1: 348 bytes, NIfTI-2: 540 bytes).
struct Layout {
    std::size_t size;
    bool wide;  // NIfTI-2: 64-bit dims and offset, double floats
    std::size_t dim, datatype, bitpix, pixdim, voxOffset, sclSlope, sclInter, magic;
};
constexpr Layout kNifti1{348, false, 40, 70, 72, 76, 108, 112, 116, 344};
constexpr Layout kNifti2{540, true, 16, 12, 14, 104, 168, 176, 184, 4};

struct GzClose {
    void operator()(gzFile_s* file) const { gzclose(file); }
};

class Header {
public:
    Header(const unsigned char* bytes, const Layout& layout, bool swapped)
        : bytes(bytes), layout(layout), swapped(swapped) {}

    std::int64_t dim(int i) const {
        return layout.wide ? integer<std::int64_t>(layout.dim + 8 * i)
                           : integer<std::int16_t>(layout.dim + 2 * i);
    }
    int datatype() const { return integer<std::int16_t>(layout.datatype); }
    int bitpix() const { return integer<std::int16_t>(layout.bitpix); }
    double pixdim(int i) const {
        return layout.wide ? real<double>(layout.pixdim + 8 * i)
                           : real<float>(layout.pixdim + 4 * i);
    }
    double voxOffset() const {
        return layout.wide ? static_cast<double>(integer<std::int64_t>(layout.voxOffset))
                           : real<float>(layout.voxOffset);
    }
    double sclSlope() const {
        return layout.wide ? real<double>(layout.sclSlope) : real<float>(layout.sclSlope);
    }
    double sclInter() const {
        return layout.wide ? real<double>(layout.sclInter) : real<float>(layout.sclInter);
    }
    /// Single file ("n+1", "n+2"), as opposed to a header beside its image file.
    bool singleFile() const { return bytes[layout.magic] == 'n' && bytes[layout.magic + 1] == '+'; }
    bool magicValid() const {
        const unsigned char* m = bytes + layout.magic;
        const char version = layout.wide ? '2' : '1';
        return (m[0] == 'n') && (m[1] == '+' || m[1] == 'i') && m[2] == version && m[3] == 0;
    }

private:
    template <typename T>
    T raw(std::size_t at) const {
        unsigned char b[sizeof(T)];
        std::memcpy(b, bytes + at, sizeof(T));
        if (swapped) std::reverse(b, b + sizeof(T));
        T value;
        std::memcpy(&value, b, sizeof(T));
        return value;
    }
    template <typename T>
    T integer(std::size_t at) const {
        return raw<T>(at);
    }
    template <typename T>
    double real(std::size_t at) const {
        return static_cast<double>(raw<T>(at));
    }

    const unsigned char* bytes;
    const Layout& layout;
    bool swapped;
};

std::int32_t int32At(const unsigned char* bytes, bool swapped) {
    unsigned char b[4];
    std::memcpy(b, bytes, 4);
    if (swapped) std::reverse(b, b + 4);
    std::int32_t value;
    std::memcpy(&value, b, 4);
    return value;
}

[[noreturn]] void damaged(const std::string& path, const std::string& fault) {
    throw UserError("'" + path + "' is a damaged NIfTI file (" + fault +
                    "); export the image again as .nii or .nii.gz");
}

}  // namespace

void checkNiftiFile(const std::string& path) {
    std::unique_ptr<gzFile_s, GzClose> file(gzopen(path.c_str(), "rb"));
    if (!file) damaged(path, "it cannot be opened");
    unsigned char bytes[544] = {};
    const int got = gzread(file.get(), bytes, sizeof(bytes));
    if (got < 0) damaged(path, "its compressed data is corrupt");
    // The rest of the stream, read only so that zlib checks the checksum and length at its end.
    unsigned long long total = static_cast<unsigned long long>(got);
    std::vector<unsigned char> chunk(1 << 20);
    for (int n = got; n > 0;) {
        n = gzread(file.get(), chunk.data(), static_cast<unsigned int>(chunk.size()));
        if (n < 0) {
            int code = Z_OK;
            const char* message = gzerror(file.get(), &code);
            damaged(path, std::string("its compressed data is corrupt: ") +
                              (message != nullptr ? message : "unknown error"));
        }
        total += static_cast<unsigned long long>(n);
    }

    const Layout* layout = nullptr;
    bool swapped = false;
    if (got >= 4) {
        for (const bool swap : {false, true}) {
            const std::int32_t size = int32At(bytes, swap);
            if (size == 348 && !layout) {
                layout = &kNifti1;
                swapped = swap;
            } else if (size == 540 && !layout) {
                layout = &kNifti2;
                swapped = swap;
            }
        }
    }
    if (layout == nullptr || static_cast<std::size_t>(got) < layout->size) {
        throw UserError("'" + path + "' is not a readable NIfTI file (no NIfTI header); " +
                        "export the image again as .nii or .nii.gz");
    }
    const Header header(bytes, *layout, swapped);
    if (!header.magicValid()) damaged(path, "its header has no valid magic");
    const std::int64_t ndim = header.dim(0);
    if (ndim < 1 || ndim > 7) damaged(path, "dim[0] is " + std::to_string(ndim) + ", not 1 to 7");
    unsigned long long voxels = 1;
    for (int i = 1; i <= ndim; ++i) {
        const std::int64_t extent = header.dim(i);
        if (extent < 1 || extent > 2147483647) {
            damaged(path, "dim[" + std::to_string(i) + "] is " + std::to_string(extent));
        }
        if ((i <= 3 && extent > kMaxExtent) ||
            voxels > kMaxVoxels / static_cast<unsigned long long>(extent)) {
            throw UserError("'" + path +
                            "' is too large; angiolith handles at most 32767 voxels per axis "
                            "and 2^30 voxels in all: crop or resample it");
        }
        voxels *= static_cast<unsigned long long>(extent);
    }
    const int kind = angiolith::detail::kindIndexOfNifti(header.datatype());
    if (kind < 0) {
        throw UserError("'" + path + "' holds elements of type " +
                        nifti_datatype_string(header.datatype()) +
                        ", which angiolith does not read; save it with 8-, 16- or 32-bit "
                        "integers or 32- or 64-bit floats");
    }
    const unsigned int bits = angiolith::detail::kElementKinds[kind].bits;
    if (header.bitpix() != static_cast<int>(bits)) {
        damaged(path, "bitpix " + std::to_string(header.bitpix()) + " does not match datatype " +
                          angiolith::detail::kElementKinds[kind].name);
    }
    for (int i = 1; i <= 3; ++i) {
        if (!std::isfinite(header.pixdim(i))) {
            damaged(path, "its voxel size is not a finite number");
        }
    }
    if (!std::isfinite(header.sclSlope()) || !std::isfinite(header.sclInter())) {
        damaged(path, "its scale (scl_slope, scl_inter) is not a finite number");
    }
    if (!header.singleFile()) {
        throw UserError("'" + path + "' is the header of a .hdr/.img pair, which angiolith does " +
                        "not read; save the image as one .nii or .nii.gz file");
    }
    {
        const double offset = header.voxOffset();
        const double headerEnd = static_cast<double>(layout->size) + 4.0;
        if (!(offset >= headerEnd) || offset != std::floor(offset)) {
            damaged(path, "its voxel data offset lies inside the header");
        }
        if (offset + static_cast<double>(voxels) * (bits / 8) > static_cast<double>(total)) {
            damaged(path, "it is truncated: the header promises more voxel data than it holds");
        }
    }
}

}  // namespace angiolith::tool
