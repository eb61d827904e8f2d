#include "diagnostics/DiagnosticLine.h"

#include <angiolith/detail/Fatal.h>
#include <angiolith/diagnostics/Diagnostics.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <utility>

namespace {

std::atomic<FatalInputHandler> fatalHandler{nullptr};

// The sink is held through a shared pointer that a report copies under the mutex and calls
// outside it, so that a sink may itself report or replace the sink, and a sink replaced while a
// report is running stays alive until that report ends.
std::mutex sinkMutex;
std::shared_ptr<const DiagnosticSink> currentSink;

std::shared_ptr<const DiagnosticSink> sink() {
    std::lock_guard<std::mutex> lock(sinkMutex);
    return currentSink;
}

}  // namespace

FatalInputHandler setFatalInputHandler(FatalInputHandler handler) {
    return fatalHandler.exchange(handler);
}

void throwFatalInputException(const std::string& message) { throw FatalInputException(message); }

DiagnosticSink setDiagnosticSink(DiagnosticSink newSink) {
    std::shared_ptr<const DiagnosticSink> replacement;
    if (newSink) replacement = std::make_shared<const DiagnosticSink>(std::move(newSink));
    std::lock_guard<std::mutex> lock(sinkMutex);
    std::shared_ptr<const DiagnosticSink> previous = std::exchange(currentSink, replacement);
    return previous ? *previous : DiagnosticSink();
}

namespace angiolith::detail {

void fatalInput(const std::string& line) {
    if (const FatalInputHandler handler = fatalHandler.load()) handler(line);
    // No handler, or one that returned: the default.
    std::cout << line << std::endl;
    std::exit(1);
}

void diagnosticLine(DiagnosticStream stream, const std::string& line) {
    if (const std::shared_ptr<const DiagnosticSink> target = sink()) {
        (*target)(stream, line);
        return;
    }
    (stream == DiagnosticStream::Error ? std::cerr : std::cout) << line << std::endl;
}

}  // namespace angiolith::detail
