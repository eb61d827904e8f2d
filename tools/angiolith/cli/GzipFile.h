#ifndef ANGIOLITH_TOOLS_CLI_GZIPFILE_H
#define ANGIOLITH_TOOLS_CLI_GZIPFILE_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace angiolith::tool {

/// A run of bytes to be written (borrowed).
struct ByteRange {
    const void* data;
    std::size_t size;
};

/// libdeflate's fastest level, the one the volumes are written with: on the chain's volumes (a
/// 256 MiB float distance volume of a CT, a 128 MiB vessel-ID volume) level 2 costs a third more
/// time, level 6 nearly twice as much, for files smaller by under one per cent (ids: a quarter
/// smaller at level 6, from 2 MiB).
constexpr int kGzipLevel = 1;

/// Writes the concatenation of @p parts to @p path as a gzip file made of several members (RFC
/// 1952, section 2.2: a gzip file is a series of members), each member one chunk of
/// @p chunkBytes input bytes deflated on its own, so that the chunks are compressed on
/// @p threads threads at once (0: every core) with libdeflate at @p level (0, stored, to 12).
/// Whole 64 KiB blocks of zeros are
/// not deflated again: their members are compressed once per process and copied. Every gzip reader
/// (zlib's gzread, Python's gzip, the NIfTI and NRRD libraries) reads such a file as the one stream
/// it holds. Throws std::runtime_error when the file cannot be written.
void writeGzipFile(const std::string& path, const std::vector<ByteRange>& parts,
                   unsigned threads = 0, std::size_t chunkBytes = std::size_t{4} << 20,
                   int level = kGzipLevel);

/// The same after @p head written as it is (uncompressed), as an NRRD file's header precedes its
/// gzip-encoded data.
void writeGzipFile(const std::string& path, std::string_view head,
                   const std::vector<ByteRange>& parts, unsigned threads = 0,
                   std::size_t chunkBytes = std::size_t{4} << 20, int level = kGzipLevel);

/// Why gzip data could not be decompressed, in words for a message ("its gzip data is damaged").
class GzipDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Decompresses the gzip data @p in (one member or several, RFC 1952 section 2.2) with
/// libdeflate, drops its first @p skip bytes and fills @p out (borrowed, @p outSize bytes)
/// with the bytes after them. Every member that is read is verified against its CRC-32 and
/// length; data after the member that completes @p out is ignored. Throws GzipDataError when
/// the data is damaged or ends before @p out is full.
void gunzipInto(const unsigned char* in, std::size_t inSize, std::size_t skip, void* out,
                std::size_t outSize);

}  // namespace angiolith::tool

#endif
