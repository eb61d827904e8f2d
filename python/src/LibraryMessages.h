#ifndef ANGIOLITH_PYTHON_LIBRARYMESSAGES_H
#define ANGIOLITH_PYTHON_LIBRARYMESSAGES_H

#include <angiolith/diagnostics/Diagnostics.h>

#include <string>
#include <utility>
#include <vector>

namespace angiolith::python {

/// Installs the module's hooks into the library: fatal input errors throw FatalInputException
/// (raised in Python as ValueError) instead of ending the interpreter, and diagnostic lines go to
/// the LibraryMessages of the calling thread, or to their default stream when none collects.
void installLibraryHooks();

/// Collects the library's diagnostic lines written on this thread while it lives, and hands them
/// to Python's logging (logger "angiolith": standard-output lines at INFO, error-stream lines at
/// WARNING) by emit(). Made with the GIL, before the GIL is released for the library.
class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    /// Logs the lines collected so far (call with the GIL held).
    void emit();

    /// Calls @p f(args...) while collecting, then logs the lines and returns f's result; when f
    /// throws, the exception reports the failure and the lines are dropped.
    template <typename R, typename... A>
    static auto wrap(R (*f)(A...)) {
        return [f](A... args) -> R {
            LibraryMessages messages;
            R result = f(std::forward<A>(args)...);
            messages.emit();
            return result;
        };
    }

private:
    friend void installLibraryHooks();
    std::vector<std::pair<DiagnosticStream, std::string>> lines;
    LibraryMessages* previous;
};

}  // namespace angiolith::python

#endif
