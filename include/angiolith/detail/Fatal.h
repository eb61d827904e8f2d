#ifndef ANGIOLITH_DETAIL_FATAL_H
#define ANGIOLITH_DETAIL_FATAL_H

#include <string>

namespace angiolith::detail {

/// Reports an unrecoverable input error: calls the host's handler (setFatalInputHandler), which
/// normally throws; without one, or when it returns, writes @p line and `std::endl` to the
/// standard output stream and calls `std::exit(1)`. The one channel for fatal input errors: code
/// after a call must leave no resource unowned, since the call may throw.
[[noreturn]] void fatalInput(const std::string& line);

}  // namespace angiolith::detail

#endif
