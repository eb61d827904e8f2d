#include "cli/NiftiIO.h"

#include "cli/GzipFile.h"
#include "cli/Threads.h"
#include "cli/UserError.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <nifti2_io.h>
#include <stdexcept>

namespace angiolith::tool {

namespace {

struct NiftiFree {
    void operator()(nifti_image* nim) const { nifti_image_free(nim); }
};
using NiftiPtr = std::unique_ptr<nifti_image, NiftiFree>;

// Writes @p nim with @p volume's data (borrowed) through the NIfTI library.
void writeThroughLibrary(nifti_image* nim, const Volume& volume);

int datatypeOfKind(lumoTeskType_t type, unsigned int bits) {
    const int index = angiolith::detail::kindIndex(type, bits);
    if (index < 0) throw std::logic_error("writeNifti: unsupported element kind");
    return angiolith::detail::kElementKinds[index].niftiDatatype;
}

template <typename T>
void scaleInto(const void* raw, std::size_t n, double slope, double inter, double* out) {
    const T* values = static_cast<const T*>(raw);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<double>(values[i]) * slope + inter;
}

void scaleAll(const nifti_image& nim, double* out) {
    const std::size_t n = static_cast<std::size_t>(nim.nvox);
    angiolith::detail::visitKindAt(
        angiolith::detail::kindIndexOfNifti(nim.datatype), [&](auto tag) {
            scaleInto<decltype(tag)>(nim.data, n, nim.scl_slope, nim.scl_inter, out);
        });
}

Geometry geometryOf(const nifti_image& nim, const std::string& path) {
    // The sform is the transform a writer chose explicitly; the qform (or, with qform code 0,
    // the spacing alone, which the NIfTI library puts into qto_xyz) is the fallback.
    const nifti_dmat44& m = nim.sform_code > 0 ? nim.sto_xyz : nim.qto_xyz;
    Geometry g;
    g.size = {static_cast<unsigned int>(nim.nx), static_cast<unsigned int>(nim.ny),
              static_cast<unsigned int>(nim.nz)};
    for (int col = 0; col < 3; ++col) {
        if (!g.setAxis(col, flipRasLps({m.m[0][col], m.m[1][col], m.m[2][col]}))) {
            throw UserError("'" + path +
                            "' has a degenerate voxel-to-world transform (zero or invalid "
                            "spacing); fix the header (pixdim, qform, sform) in your viewer");
        }
    }
    g.origin = flipRasLps({m.m[0][3], m.m[1][3], m.m[2][3]});
    return g;
}

}  // namespace

Volume readNifti(const std::string& path) {
    nifti_set_debug_level(0);
    NiftiPtr nim(nifti_image_read(path.c_str(), 0));
    if (!nim) {
        throw UserError("'" + path + "' is not a readable NIfTI file (damaged or not NIfTI); " +
                        "export the image again as .nii or .nii.gz");
    }
    if (nim->ndim < 3 || nim->nz < 1) {
        throw UserError("'" + path + "' is a " + std::to_string(nim->ndim) +
                        "-D image; angiolith needs a 3-D volume");
    }
    for (int d = 4; d <= nim->ndim && d < 8; ++d) {
        if (nim->dim[d] > 1) {
            throw UserError("'" + path + "' has " + std::to_string(nim->ndim) +
                            " dimensions (a series of volumes); angiolith needs a single 3-D "
                            "volume: extract one volume first");
        }
    }
    const int kind = angiolith::detail::kindIndexOfNifti(nim->datatype);
    if (kind < 0) {
        throw UserError("'" + path + "' holds elements of type " +
                        nifti_datatype_string(nim->datatype) +
                        ", which angiolith does not read; save it with 8-, 16- or 32-bit "
                        "integers or 32- or 64-bit floats");
    }
    Volume volume;
    volume.geometry = geometryOf(*nim, path);
    if (nifti_image_load(nim.get()) != 0 || nim->data == nullptr) {
        throw UserError("'" + path + "': the voxel data cannot be read (the file is truncated " +
                        "or damaged); export the image again");
    }
    const bool scaled = nim->scl_slope != 0.0 && std::isfinite(nim->scl_slope) &&
                        (nim->scl_slope != 1.0 || nim->scl_inter != 0.0);
    if (scaled) {
        volume.pic = makeDescriptor(lumoTeskTypeFloat, 64, volume.geometry.size);
        scaleAll(*nim, static_cast<double*>(volume.pic->data));
    } else {
        const auto& k = angiolith::detail::kElementKinds[kind];
        volume.pic = makeDescriptor(k.type, k.bits, volume.geometry.size);
        std::memcpy(volume.pic->data, nim->data,
                    static_cast<std::size_t>(nim->nvox) * static_cast<std::size_t>(nim->nbyper));
    }
    return volume;
}

void writeNifti(const std::string& path, const Volume& volume) {
    nifti_set_debug_level(0);
    const Geometry& g = volume.geometry;
    const int64_t dims[8] = {3, g.size[0], g.size[1], g.size[2], 1, 1, 1, 1};
    NiftiPtr nim(nifti_make_new_nim(dims, datatypeOfKind(volume.pic->type, volume.pic->bits), 0));
    if (!nim) throw std::runtime_error("cannot prepare the NIfTI header of '" + path + "'");

    nifti_dmat44 m{};
    for (int col = 0; col < 3; ++col) {
        const Vec3 column =
            flipRasLps({g.direction[0][col], g.direction[1][col], g.direction[2][col]});
        for (int row = 0; row < 3; ++row) m.m[row][col] = column[row] * g.spacing[col];
    }
    const Vec3 origin = flipRasLps(g.origin);
    for (int row = 0; row < 3; ++row) m.m[row][3] = origin[row];
    m.m[3][3] = 1.0;

    nim->dx = nim->pixdim[1] = g.spacing[0];
    nim->dy = nim->pixdim[2] = g.spacing[1];
    nim->dz = nim->pixdim[3] = g.spacing[2];
    nim->xyz_units = NIFTI_UNITS_MM;
    nim->sform_code = NIFTI_XFORM_SCANNER_ANAT;
    nim->sto_xyz = m;
    nim->sto_ijk = nifti_dmat44_inverse(m);
    nim->qform_code = NIFTI_XFORM_SCANNER_ANAT;
    double dx = 0, dy = 0, dz = 0;
    nifti_dmat44_to_quatern(m, &nim->quatern_b, &nim->quatern_c, &nim->quatern_d, &nim->qoffset_x,
                            &nim->qoffset_y, &nim->qoffset_z, &dx, &dy, &dz, &nim->qfac);
    nim->qto_xyz = nifti_quatern_to_dmat44(nim->quatern_b, nim->quatern_c, nim->quatern_d,
                                           nim->qoffset_x, nim->qoffset_y, nim->qoffset_z,
                                           g.spacing[0], g.spacing[1], g.spacing[2], nim->qfac);
    nim->qto_ijk = nifti_dmat44_inverse(nim->qto_xyz);
    std::strncpy(nim->descrip, "angiolith", sizeof(nim->descrip) - 1);

    nim->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    if (nifti_set_filenames(nim.get(), path.c_str(), 0, 1) != 0) {
        throw std::runtime_error("cannot write '" + path + "': not a NIfTI file name");
    }
    nim->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) {
        // The library's header, then the data, deflated in parallel chunks: the single-stream
        // deflate of the NIfTI library takes longer than computing the volumes.
        nifti_1_header header{};
        if (nifti_convert_nim2n1hdr(nim.get(), &header) != 0) {
            throw std::runtime_error("cannot prepare the NIfTI header of '" + path + "'");
        }
        constexpr int kHeaderAndExtension = 352;  // 348-byte header, 4 bytes "no extension"
        header.vox_offset = kHeaderAndExtension;
        static const char kNoExtension[4] = {0, 0, 0, 0};
        const std::size_t bytes =
            static_cast<std::size_t>(g.size[0]) * g.size[1] * g.size[2] * (volume.pic->bits / 8);
        writeGzipFile(path,
                      {{&header, sizeof header},
                       {kNoExtension, sizeof kNoExtension},
                       {volume.pic->data, bytes}},
                      workerThreads());
    } else {
        writeThroughLibrary(nim.get(), volume);
    }

    NiftiPtr check(nifti_image_read(path.c_str(), 0));
    if (!check || check->nx != g.size[0] || check->ny != g.size[1] || check->nz != g.size[2]) {
        throw std::runtime_error("cannot write '" + path + "'");
    }
}

namespace {

void writeThroughLibrary(nifti_image* nim, const Volume& volume) {
    // The library writes from the descriptor's buffer; it is handed back before the header is
    // freed, so that the NIfTI library does not release memory it does not own.
    nim->data = volume.pic->data;
    nifti_image_write(nim);
    nim->data = nullptr;
}

}  // namespace

}  // namespace angiolith::tool
