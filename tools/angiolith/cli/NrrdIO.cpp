#include "cli/NrrdIO.h"

#include "cli/GzipFile.h"
#include "cli/ImageIO.h"
#include "cli/Threads.h"
#include "cli/UserError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <teem/nrrd.h>
#include <vector>

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
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
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

// The three axes of the volume: those with a space direction (the domain axes) when there are
// three, otherwise the first three. Throws UserError unless every other axis has one value,
// as a segmentation editor writes a single layer ("sizes: 1 X Y Z", a list axis first); such
// an axis leaves the order of the voxels in memory as it is.
std::array<unsigned int, 3> volumeAxes(const Nrrd& nrrd, const std::string& path) {
    std::array<unsigned int, 3> axes{0, 1, 2};
    if (nrrd.dim < 3) {
        throw UserError("'" + path + "' is a " + std::to_string(nrrd.dim) +
                        "-D image; angiolith needs a 3-D volume");
    }
    std::vector<unsigned int> domain;
    for (unsigned int d = 0; d < nrrd.dim && nrrd.spaceDim == 3; ++d) {
        if (!std::isnan(nrrd.axis[d].spaceDirection[0])) domain.push_back(d);
    }
    if (domain.size() == 3) std::copy(domain.begin(), domain.end(), axes.begin());
    for (unsigned int d = 0; d < nrrd.dim; ++d) {
        if (std::find(axes.begin(), axes.end(), d) == axes.end() && nrrd.axis[d].size > 1) {
            throw UserError("'" + path + "' has " + std::to_string(nrrd.dim) +
                            " dimensions; angiolith needs a single 3-D volume: extract one "
                            "volume first");
        }
    }
    return axes;
}

Geometry geometryOf(const Nrrd& nrrd, const std::string& path) {
    const std::array<unsigned int, 3> axes = volumeAxes(nrrd, path);
    Geometry g;
    for (int i = 0; i < 3; ++i) g.size[i] = static_cast<unsigned int>(nrrd.axis[axes[i]].size);
    if (nrrd.spaceDim == 3) {
        for (int col = 0; col < 3; ++col) {
            const double* d = nrrd.axis[axes[col]].spaceDirection;
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
        const double s = nrrd.axis[axes[i]].spacing;
        g.spacing[i] = std::isfinite(s) && s > 0.0 ? s : 1.0;
        const double min = nrrd.axis[axes[i]].min;
        g.origin[i] = std::isfinite(min) ? min : 0.0;
    }
    return g;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Checks what an NRRD header claims before Teem allocates for it: extents within the tool's
// limits, data that the file (or its data file) can hold, and valid spacings.
void checkNrrdHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::map<std::string, std::string> fields;
    std::string line;
    std::uint64_t headerBytes = 0;
    bool ended = false;
    // Only an NRRD header goes to Teem, which would otherwise try its other formats (plain text,
    // PNM, VTK, ...) on the file, and whose readers of those do not release what they allocated
    // when they give up.
    std::string magic;
    std::getline(in, magic);
    if (!magic.empty() && magic.back() == '\r') magic.pop_back();
    if (magic.size() != 8 || magic.compare(0, 7, "NRRD000") != 0 || magic[7] < '1' ||
        magic[7] > '9') {
        throw UserError("'" + path +
                        "' is not a readable NRRD file (it does not start with an NRRD magic "
                        "such as NRRD0004); export the image again as .nrrd");
    }
    in.clear();
    in.seekg(0);
    // Per-axis fields need the dimension first (NRRD format); Teem refuses such a header too,
    // but some of its per-axis parsers (centerings) do not release what they allocated then.
    static const std::set<std::string> kPerAxis = {
        "sizes",    "spacings",  "thicknesses", "axis mins", "axismins", "axis maxs", "axismaxs",
        "centers",  "centerings", "labels",     "units",     "kinds",    "space directions"};
    while (headerBytes < (1u << 20) && std::getline(in, line)) {
        headerBytes += line.size() + 1;
        const std::string text = trimmed(line);
        if (text.empty()) {
            ended = true;
            break;
        }
        const auto colon = text.find(':');
        if (text[0] == '#' || colon == std::string::npos) continue;
        const std::string name = text.substr(0, colon);
        if (fields.count("dimension") == 0 && kPerAxis.count(name) != 0) {
            throw UserError("'" + path + "' is not a readable NRRD file (its '" + name +
                            "' line comes before its 'dimension' line); export the image again "
                            "as .nrrd");
        }
        fields[name] = trimmed(text.substr(colon + 1));
    }
    std::istringstream sizeWords(fields["sizes"]);
    std::uint64_t elements = 1;
    int axis = 0;
    for (std::string word; sizeWords >> word; ++axis) {
        char* end = nullptr;
        const unsigned long long extent = std::strtoull(word.c_str(), &end, 10);
        if (*end != '\0' || extent == 0) return;  // Teem reports the malformed header
        if ((axis < 3 && extent > kMaxExtent) || elements > kMaxVoxels / extent) {
            throw UserError("'" + path + "' is too large (sizes: " + fields["sizes"] +
                            "); angiolith handles at most 32767 voxels per axis and 2^30 voxels "
                            "in all: crop or resample it");
        }
        elements *= extent;
    }
    const int type = airEnumVal(nrrdType, fields["type"].c_str());
    if (fields.count("spacings") != 0) {
        std::istringstream words(fields["spacings"]);
        for (std::string word; words >> word;) {
            char* end = nullptr;
            const double spacing = std::strtod(word.c_str(), &end);
            if (*end != '\0' || !std::isfinite(spacing) || !(spacing > 0.0)) {
                throw UserError("'" + path +
                                "' has an invalid voxel spacing (spacings: " + fields["spacings"] +
                                "); fix the header's 'spacings' line to positive numbers");
            }
        }
    }
    if (type == nrrdTypeUnknown || type == nrrdTypeBlock || axis == 0) return;
    const std::uint64_t bytes = elements * nrrdTypeSize[type];
    std::string dataFile =
        fields.count("data file") != 0 ? fields["data file"] : fields["datafile"];
    std::error_code error;
    std::uint64_t available = 0;
    if (!dataFile.empty()) {
        if (dataFile.find(' ') != std::string::npos || dataFile.find('%') != std::string::npos ||
            dataFile == "LIST") {
            throw UserError("'" + path +
                            "' spreads its voxel data over several files, which angiolith does "
                            "not read; save the image as one .nrrd file");
        }
        const std::filesystem::path data =
            std::filesystem::path(path).parent_path() / std::filesystem::path(dataFile);
        available = std::filesystem::file_size(data, error);
        if (error) return;
    } else {
        if (!ended) return;
        const std::uint64_t size = std::filesystem::file_size(path, error);
        if (error) return;
        available = size > headerBytes ? size - headerBytes : 0;
    }
    const std::string encoding = fields["encoding"];
    // Deflate and bzip2 shrink data by about a thousand at most; text takes at least a
    // character per element, hex two per byte.
    const std::uint64_t most =
        encoding == "raw" ? available
        : encoding == "gzip" || encoding == "gz" || encoding == "bzip2" || encoding == "bz2"
            ? available * 1100
        : encoding == "hex" ? available / 2
                            : ~std::uint64_t{0};
    const bool text = encoding == "ascii" || encoding == "text" || encoding == "txt";
    if (text ? elements > available : bytes > most) {
        throw UserError("'" + path + "' claims " + std::to_string(bytes) +
                        " bytes of voxel data, more than its data can hold (" +
                        std::to_string(available) + " bytes " + encoding +
                        "); the file is truncated or its header is wrong: export the image "
                        "again");
    }
}

[[noreturn]] void notReadable(const std::string& path, const std::string& reason) {
    throw UserError("'" + path + "' is not a readable NRRD file (" + reason +
                    "); export the image again as .nrrd");
}

// The element kind of a header Teem has read; throws UserError unless the library converts it.
int checkedKind(const Nrrd& nrrd, const std::string& path) {
    const int kind = kindIndexOfNrrd(nrrd.type);
    if (kind < 0) {
        throw UserError("'" + path + "' holds elements of type " + airEnumStr(nrrdType, nrrd.type) +
                        ", which angiolith does not read; save it with 8-, 16- or 32-bit "
                        "integers or 32- or 64-bit floats");
    }
    return kind;
}

// Reads the gzip data from @p file (positioned where it starts) to its end and decompresses
// it into @p out ourselves: Teem's gzip reader neither releases its stream when the data is
// damaged nor says which fault it met.
void readGzipData(std::FILE* file, const NrrdIoState& nio, const std::string& path, void* out,
                  std::size_t bytes) {
    if (file == nullptr) notReadable(path, "its data file cannot be opened");
    if (nio.byteSkip < 0) notReadable(path, "'byte skip: -1' needs raw encoding, not gzip");
    std::vector<unsigned char> compressed;
    unsigned char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        compressed.insert(compressed.end(), buffer, buffer + n);
    }
    if (std::ferror(file) != 0) notReadable(path, "its data cannot be read");
    try {
        gunzipInto(compressed.data(), compressed.size(), static_cast<std::size_t>(nio.byteSkip),
                   out, bytes);
    } catch (const GzipDataError& error) {
        notReadable(path, error.what());
    }
}

// Reverses the bytes of every @p width-byte element of @p data (a file of the other byte order).
void swapBytes(unsigned char* data, std::size_t bytes, std::size_t width) {
    for (std::size_t at = 0; at + width <= bytes; at += width)
        std::reverse(data + at, data + at + width);
}

}  // namespace

Volume readNrrd(const std::string& path) {
    checkNrrdHeader(path);
    // Teem's own notes on reading (such as data not ending at the end of the file) stay off
    // the terminal; its errors come back through biff.
    nrrdStateVerboseIO = 0;
    // Teem reads the header only and leaves the data file open where the data starts.
    std::unique_ptr<Nrrd, NrrdNuke> nrrd(nrrdNew());
    std::unique_ptr<NrrdIoState, IoStateNix> nio(nrrdIoStateNew());
    nio->skipData = 1;
    nio->keepNrrdDataFileOpen = 1;
    const int failed = nrrdLoad(nrrd.get(), path.c_str(), nio.get());
    std::unique_ptr<std::FILE, FileCloser> dataFile(nio->dataFile);
    nio->dataFile = nullptr;
    if (failed != 0) notReadable(path, takeError());
    const int kind = checkedKind(*nrrd, path);
    Volume volume;
    volume.geometry = geometryOf(*nrrd, path);
    const auto& k = angiolith::detail::kElementKinds[kind];
    volume.pic = makeDescriptor(k.type, k.bits, volume.geometry.size);
    const std::size_t bytes = static_cast<std::size_t>(volume.geometry.voxelCount()) * (k.bits / 8);
    if (nio->encoding == nrrdEncodingGzip) {
        readGzipData(dataFile.get(), *nio, path, volume.pic->data, bytes);
        if (k.bits > 8 && nio->endian != airMyEndian()) {
            swapBytes(static_cast<unsigned char*>(volume.pic->data), bytes, k.bits / 8);
        }
    } else {
        // Every other encoding is Teem's to read.
        dataFile.reset();
        std::unique_ptr<Nrrd, NrrdNuke> full(nrrdNew());
        if (nrrdLoad(full.get(), path.c_str(), nullptr) != 0) notReadable(path, takeError());
        if (full->type != nrrd->type ||
            nrrdElementNumber(full.get()) * nrrdElementSize(full.get()) != bytes) {
            notReadable(path, "the header changed while it was read");
        }
        std::memcpy(volume.pic->data, full->data, bytes);
    }
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
    const bool detached = path.size() > 5 && path.compare(path.size() - 5, 5, ".nhdr") == 0;
    if (detached) {
        // A header naming its data file: Teem writes both.
        if (nrrdEncodingGzip->available()) nrrdIoStateEncodingSet(nio.get(), nrrdEncodingGzip);
        if (nrrdSave(path.c_str(), nrrd.get(), nio.get()) != 0) {
            throw std::runtime_error("cannot write '" + path + "': " + takeError());
        }
        return;
    }
    // Teem writes the header for gzip-encoded data; the data is deflated here in parallel chunks
    // as a series of gzip members (which every gzip reader, Teem's included, reads as one
    // stream): Teem's single-stream deflate takes longer than computing the volume.
    nrrdIoStateEncodingSet(nio.get(), nrrdEncodingGzip);
    nio->skipData = 1;
    char* header = nullptr;
    if (nrrdStringWrite(&header, nrrd.get(), nio.get()) != 0 || header == nullptr) {
        std::free(header);
        throw std::runtime_error("cannot write '" + path + "': " + takeError());
    }
    const std::unique_ptr<char, decltype(&std::free)> owned(header, &std::free);
    const std::size_t bytes = static_cast<std::size_t>(g.voxelCount()) * (volume.pic->bits / 8);
    writeGzipFile(path, std::string(header) + "\n", {{volume.pic->data, bytes}}, workerThreads());
}

}  // namespace angiolith::tool
