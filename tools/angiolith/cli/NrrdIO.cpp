#include "cli/NrrdIO.h"

#include "cli/UserError.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <teem/nrrd.h>

namespace angiolith::tool {

namespace {

struct NrrdNuke {
    void operator()(Nrrd* nrrd) const { nrrdNuke(nrrd); }
};
struct NrrdNix {
    void operator()(Nrrd* nrrd) const { nrrdNix(nrrd); }
};
struct IoStateNix {
    void operator()(NrrdIoState* nio) const { nrrdIoStateNix(nio); }
};

// The first line of Teem's accumulated error text, which is released here.
std::string takeError() {
    char* err = biffGetDone(NRRD);
    std::string text = err != nullptr ? err : "";
    std::free(err);
    const auto newline = text.find('\n');
    if (newline != std::string::npos) text.resize(newline);
    return text;
}

// The NRRD type of the element kind at @p index of the kind table.
int nrrdTypeOf(int index) {
    if (index < 0) throw std::logic_error("writeNrrd: unsupported element kind");
    return airEnumVal(nrrdType, angiolith::detail::kElementKinds[index].nrrdType);
}

// Index in the kind table of an NRRD type, -1 for a type the library does not convert.
int kindIndexOfNrrd(int type) {
    for (std::size_t i = 0; i < angiolith::detail::kElementKindCount; ++i) {
        if (nrrdTypeOf(static_cast<int>(i)) == type) return static_cast<int>(i);
    }
    return -1;
}

// Maps a vector of the file's space into LPS.
Vec3 toLps(int space, const Vec3& v) {
    switch (space) {
        case nrrdSpaceRightAnteriorSuperior:
            return flipRasLps(v);
        case nrrdSpaceLeftAnteriorSuperior:
            return {v[0], -v[1], v[2]};
        default:
            return v;
    }
}

Geometry geometryOf(const Nrrd& nrrd, const std::string& path) {
    Geometry g;
    for (int i = 0; i < 3; ++i) g.size[i] = static_cast<unsigned int>(nrrd.axis[i].size);
    if (nrrd.spaceDim == 3) {
        for (int col = 0; col < 3; ++col) {
            const double* d = nrrd.axis[col].spaceDirection;
            if (!g.setAxis(col, toLps(nrrd.space, {d[0], d[1], d[2]}))) {
                throw UserError("'" + path +
                                "' has a missing or zero space direction; fix the header's "
                                "'space directions' line");
            }
        }
        Vec3 origin{0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            if (std::isfinite(nrrd.spaceOrigin[i])) origin[i] = nrrd.spaceOrigin[i];
        }
        g.origin = toLps(nrrd.space, origin);
        return g;
    }
    if (nrrd.spaceDim != 0) {
        throw UserError("'" + path + "' lives in a " + std::to_string(nrrd.spaceDim) +
                        "-D space; angiolith needs a 3-D volume");
    }
    for (int i = 0; i < 3; ++i) {
        const double s = nrrd.axis[i].spacing;
        g.spacing[i] = std::isfinite(s) && s > 0.0 ? s : 1.0;
        const double min = nrrd.axis[i].min;
        g.origin[i] = std::isfinite(min) ? min : 0.0;
    }
    return g;
}

}  // namespace

Volume readNrrd(const std::string& path) {
    std::unique_ptr<Nrrd, NrrdNuke> nrrd(nrrdNew());
    if (nrrdLoad(nrrd.get(), path.c_str(), nullptr) != 0) {
        const std::string reason = takeError();
        throw UserError("'" + path + "' is not a readable NRRD file (" + reason +
                        "); export the image again as .nrrd");
    }
    if (nrrd->dim < 3) {
        throw UserError("'" + path + "' is a " + std::to_string(nrrd->dim) +
                        "-D image; angiolith needs a 3-D volume");
    }
    for (unsigned int d = 3; d < nrrd->dim; ++d) {
        if (nrrd->axis[d].size > 1) {
            throw UserError("'" + path + "' has " + std::to_string(nrrd->dim) +
                            " dimensions; angiolith needs a single 3-D volume: extract one "
                            "volume first");
        }
    }
    const int kind = kindIndexOfNrrd(nrrd->type);
    if (kind < 0) {
        throw UserError("'" + path + "' holds elements of type " +
                        airEnumStr(nrrdType, nrrd->type) +
                        ", which angiolith does not read; save it with 8-, 16- or 32-bit "
                        "integers or 32- or 64-bit floats");
    }
    Volume volume;
    volume.geometry = geometryOf(*nrrd, path);
    const auto& k = angiolith::detail::kElementKinds[kind];
    volume.pic = makeDescriptor(k.type, k.bits, volume.geometry.size);
    std::memcpy(volume.pic->data, nrrd->data,
                static_cast<std::size_t>(volume.geometry.voxelCount()) * (k.bits / 8));
    return volume;
}

void writeNrrd(const std::string& path, const Volume& volume,
               const std::vector<std::pair<std::string, std::string>>& fields) {
    const Geometry& g = volume.geometry;
    // The Nrrd only borrows the descriptor's buffer: nrrdNix releases the header alone.
    std::unique_ptr<Nrrd, NrrdNix> nrrd(nrrdNew());
    const std::size_t sizes[3] = {g.size[0], g.size[1], g.size[2]};
    if (nrrdWrap_nva(nrrd.get(), volume.pic->data,
                     nrrdTypeOf(angiolith::detail::kindIndex(volume.pic->type, volume.pic->bits)),
                     3, sizes) != 0 ||
        nrrdSpaceSet(nrrd.get(), nrrdSpaceLeftPosteriorSuperior) != 0 ||
        nrrdSpaceOriginSet(nrrd.get(), g.origin.data()) != 0) {
        throw std::runtime_error("cannot prepare '" + path + "': " + takeError());
    }
    double directions[NRRD_DIM_MAX][NRRD_SPACE_DIM_MAX] = {};
    int kinds[NRRD_DIM_MAX] = {};
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            directions[col][row] = g.direction[row][col] * g.spacing[col];
        }
        kinds[col] = nrrdKindDomain;
    }
    nrrdAxisInfoSet_nva(nrrd.get(), nrrdAxisInfoSpaceDirection, directions);
    nrrdAxisInfoSet_nva(nrrd.get(), nrrdAxisInfoKind, kinds);
    for (const auto& [key, value] : fields) {
        if (nrrdKeyValueAdd(nrrd.get(), key.c_str(), value.c_str()) != 0) {
            throw std::runtime_error("cannot prepare '" + path + "': " + takeError());
        }
    }

    std::unique_ptr<NrrdIoState, IoStateNix> nio(nrrdIoStateNew());
    if (nrrdEncodingGzip->available()) nrrdIoStateEncodingSet(nio.get(), nrrdEncodingGzip);
    if (nrrdSave(path.c_str(), nrrd.get(), nio.get()) != 0) {
        throw std::runtime_error("cannot write '" + path + "': " + takeError());
    }
}

}  // namespace angiolith::tool
