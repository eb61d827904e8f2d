#ifndef ANGIOLITH_TOOLS_CLI_GZIPFILE_H
#define ANGIOLITH_TOOLS_CLI_GZIPFILE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace angiolith::tool {

/// A run of bytes to be written (borrowed).
struct ByteRange {
    const void* data;
    std::size_t size;
};

/// Writes the concatenation of @p parts to @p path as a gzip file made of several members (RFC
/// 1952, section 2.2: a gzip file is a series of members), each member one chunk of
/// @p chunkBytes input bytes deflated on its own, so that the chunks are compressed on
/// @p threads threads at once (0: every core) with libdeflate. Whole 64 KiB blocks of zeros are
/// not deflated again: their members are compressed once per process and copied. Every gzip reader
/// (zlib's gzread, Python's gzip, the NIfTI and NRRD libraries) reads such a file as the one stream
/// it holds. Throws std::runtime_error when the file cannot be written.
void writeGzipFile(const std::string& path, const std::vector<ByteRange>& parts,
                   unsigned threads = 0, std::size_t chunkBytes = std::size_t{4} << 20);

/// The same after @p head written as it is (uncompressed), as an NRRD file's header precedes its
/// gzip-encoded data.
void writeGzipFile(const std::string& path, std::string_view head,
                   const std::vector<ByteRange>& parts, unsigned threads = 0,
                   std::size_t chunkBytes = std::size_t{4} << 20);

}  // namespace angiolith::tool

#endif
