#include "LibraryMessages.h"

#include <iostream>
#include <pybind11/pybind11.h>

namespace angiolith::python {

namespace {

// The collector of the calling thread; worker threads of the library have none.
thread_local LibraryMessages* current = nullptr;

}  // namespace

void installLibraryHooks() {
    setFatalInputHandler(&throwFatalInputException);
    setDiagnosticSink([](DiagnosticStream stream, const std::string& line) {
        if (current != nullptr) {
            current->lines.emplace_back(stream, line);
        } else {
            (stream == DiagnosticStream::Error ? std::cerr : std::cout) << line << std::endl;
        }
    });
}

LibraryMessages::LibraryMessages() : previous(current) { current = this; }

LibraryMessages::~LibraryMessages() { current = previous; }

void LibraryMessages::emit() {
    if (lines.empty()) return;
    pybind11::object logger = pybind11::module_::import("logging").attr("getLogger")("angiolith");
    for (const auto& [stream, line] : lines) {
        logger.attr(stream == DiagnosticStream::Error ? "warning" : "info")("%s", line);
    }
    lines.clear();
}

}  // namespace angiolith::python
