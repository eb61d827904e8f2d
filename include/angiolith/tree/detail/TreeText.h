#ifndef ANGIOLITH_TREE_DETAIL_TREETEXT_H
#define ANGIOLITH_TREE_DETAIL_TREETEXT_H

#include <cstddef>
#include <iosfwd>

namespace angiolith::detail {

/// The first line of the tree text format (without its line end): written by the tree's print,
/// checked by readers that must tell a tree file from another file before parsing it.
inline constexpr char kTreeTextMagic[] = "HAVN-TSL 2000 Tree";

/// Deepest nesting of nodes below the node being read that the tree text reader accepts; deeper
/// text fails the stream. Vessel trees are far shallower, and the bound keeps any recursive
/// consumer of a read tree within its stack.
constexpr int kMaxTreeTextDepth = 10000;

/// Capacity of the reader's word buffers (including the terminating zero). The words the writer
/// produces (frame words, numbers) are far shorter.
constexpr std::size_t kTreeTextWordSize = 256;

/// Reads one white-space delimited word into @p buffer (of `kTreeTextWordSize` bytes, always
/// zero-terminated). A word that does not fit fails the stream. Returns whether the stream is good.
bool readTreeTextWord(std::istream& is, char* buffer);

/// Reads one non-blank character into @p c; returns false (leaving @p c alone) when none comes.
bool readTreeTextChar(std::istream& is, char& c);

/// Writes @p count spaces.
void writeTreeTextIndent(std::ostream& os, int count);

}  // namespace angiolith::detail

#endif
