#ifndef ANGIOLITH_DETAIL_FATAL_H
#define ANGIOLITH_DETAIL_FATAL_H

#include <string>

namespace angiolith::detail {

/// Ends the process for an unrecoverable input error: writes @p line and `std::endl` to the
/// standard output stream, then calls `std::exit(1)`. The one channel for fatal input errors.
[[noreturn]] void fatalInput(const std::string& line);

}  // namespace angiolith::detail

#endif
