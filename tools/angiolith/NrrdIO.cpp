#include "angiolith/NrrdIO.h"

#include "angiolith/UserError.h"

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

bool kindOfType(int nrrdType, lumoTeskType_t& type, unsigned int& bits) {
    switch (nrrdType) {
        case nrrdTypeChar:
            type = lumoTeskTypeSigned;
            bits = 8;
            return true;
        case nrrdTypeUChar:
            type = lumoTeskTypeUnsigned;
            bits = 8;
            return true;
        case nrrdTypeShort:
            type = lumoTeskTypeSigned;
            bits = 16;
            return true;
        case nrrdTypeUShort:
            type = lumoTeskTypeUnsigned;
            bits = 16;
            return true;
        case nrrdTypeInt:
            type = lumoTeskTypeSigned;
            bits = 32;
            return true;
        case nrrdTypeUInt:
            type = lumoTeskTypeUnsigned;
            bits = 32;
            return true;
        case nrrdTypeFloat:
            type = lumoTeskTypeFloat;
            bits = 32;
            return true;
        case nrrdTypeDouble:
            type = lumoTeskTypeFloat;
            bits = 64;
            return true;
        default:
            return false;
    }
}

int typeOfKind(lumoTeskType_t type, unsigned int bits) {
    switch (type * 100 + bits) {
        case lumoTeskTypeSigned * 100 + 8:
            return nrrdTypeChar;
        case lumoTeskTypeUnsigned * 100 + 8:
            return nrrdTypeUChar;
        case lumoTeskTypeSigned * 100 + 16:
            return nrrdTypeShort;
        case lumoTeskTypeUnsigned * 100 + 16:
            return nrrdTypeUShort;
        case lumoTeskTypeSigned * 100 + 32:
            return nrrdTypeInt;
        case lumoTeskTypeUnsigned * 100 + 32:
            return nrrdTypeUInt;
        case lumoTeskTypeFloat * 100 + 32:
            return nrrdTypeFloat;
        case lumoTeskTypeFloat * 100 + 64:
            return nrrdTypeDouble;
        default:
            throw std::logic_error("writeNrrd: unsupported element kind");
    }
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
    lumoTeskType_t type = lumoTeskTypeNone;
    unsigned int bits = 0;
    if (!kindOfType(nrrd->type, type, bits)) {
        throw UserError("'" + path + "' holds elements of type " +
                        airEnumStr(nrrdType, nrrd->type) +
                        ", which angiolith does not read; save it with 8-, 16- or 32-bit "
                        "integers or 32- or 64-bit floats");
    }
    Volume volume;
    volume.geometry = geometryOf(*nrrd, path);
    volume.pic = makeDescriptor(type, bits, volume.geometry.size);
    std::memcpy(volume.pic->data, nrrd->data,
                static_cast<std::size_t>(volume.geometry.voxelCount()) * (bits / 8));
    return volume;
}

void writeNrrd(const std::string& path, const Volume& volume) {
    const Geometry& g = volume.geometry;
    // The Nrrd only borrows the descriptor's buffer: nrrdNix releases the header alone.
    std::unique_ptr<Nrrd, NrrdNix> nrrd(nrrdNew());
    const std::size_t sizes[3] = {g.size[0], g.size[1], g.size[2]};
    if (nrrdWrap_nva(nrrd.get(), volume.pic->data, typeOfKind(volume.pic->type, volume.pic->bits),
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

    std::unique_ptr<NrrdIoState, IoStateNix> nio(nrrdIoStateNew());
    if (nrrdEncodingGzip->available()) nrrdIoStateEncodingSet(nio.get(), nrrdEncodingGzip);
    if (nrrdSave(path.c_str(), nrrd.get(), nio.get()) != 0) {
        throw std::runtime_error("cannot write '" + path + "': " + takeError());
    }
}

}  // namespace angiolith::tool
