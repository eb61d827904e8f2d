#ifndef ANGIOLITH_SRC_DIAGNOSTICS_DIAGNOSTICLINE_H
#define ANGIOLITH_SRC_DIAGNOSTICS_DIAGNOSTICLINE_H

#include <angiolith/diagnostics/Diagnostics.h>

#include <string>

namespace angiolith::detail {

/// Hands one diagnostic line (without its line end) to the host's sink, or by default writes it
/// and `std::endl` to `std::cout` (Output) or `std::cerr` (Error). The one channel for the lines
/// the library writes and then carries on.
void diagnosticLine(DiagnosticStream stream, const std::string& line);

}  // namespace angiolith::detail

#endif
