#ifndef ANGIOLITH_DIAGNOSTICS_DIAGNOSTICS_H
#define ANGIOLITH_DIAGNOSTICS_DIAGNOSTICS_H

#include <functional>
#include <stdexcept>
#include <string>

/// @file
/// Hooks through which a host takes over the library's two side channels: the fatal input errors
/// (by default a line on the standard output and the end of the process with exit code 1) and
/// the diagnostic lines that the library writes and then carries on (by default on the standard
/// output or error stream). A host that sets nothing sees exactly the default behaviour.
///
/// Both settings are process-wide and may be changed from any thread at any time; a call already
/// reporting uses the setting it found when it began.

/// Thrown by throwFatalInputException: the library refused its input. what() is the line the
/// library would have written (without the line end).
///
/// State after the throw: every object the failing call allocated is freed; a constructor that
/// throws leaves no object behind (and leaves the caller's descriptor as it was, except where its
/// documentation says it takes the descriptor over); an extraction that throws has relabelled
/// the skeleton volume as far as it got (as documented, it writes its labels in place) and
/// returns no tree; an object whose member function threw (a branching cluster given a bad
/// index) stays usable and destructible.
class FatalInputException : public std::runtime_error {
public:
    explicit FatalInputException(const std::string& message) : std::runtime_error(message) {}
};

/// Called with the line of a fatal input error (without its line end). It should throw; if it
/// returns, the library falls back to the default (writes the line, ends the process with 1).
using FatalInputHandler = void (*)(const std::string& message);

/// Installs @p handler for every fatal input error of the library, process-wide, and returns the
/// handler it replaces (null for the default). Null restores the default: the line and
/// `std::endl` on `std::cout`, then `std::exit(1)`.
FatalInputHandler setFatalInputHandler(FatalInputHandler handler);

/// The ready handler: throws FatalInputException carrying @p message.
[[noreturn]] void throwFatalInputException(const std::string& message);

/// The stream a diagnostic line belongs on by default.
enum class DiagnosticStream { Output, Error };

/// Receives one diagnostic line (without its line end). It may be called from any thread that
/// uses the library, and must not throw.
using DiagnosticSink = std::function<void(DiagnosticStream stream, const std::string& line)>;

/// Routes every non-fatal diagnostic line of the library to @p sink, process-wide, and returns
/// the sink it replaces (empty for the default). An empty sink restores the default: the line and
/// `std::endl` on `std::cout` (Output) or `std::cerr` (Error). A sink that does nothing silences
/// the library.
DiagnosticSink setDiagnosticSink(DiagnosticSink sink);

#endif
