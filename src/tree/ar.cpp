#include "diagnostics/DiagnosticLine.h"

#include <angiolith/tree/ar.h>

#include <mutex>

std::map<void*, int> arBase::counter;

namespace {

// Guards `arBase::counter`. Held only for the table operation itself, never while an object is
// deleted, so destructors that drop handles of their own do not deadlock.
std::mutex counterMutex;

}  // namespace

void arBase::countHandle(void* key) {
    std::lock_guard<std::mutex> lock(counterMutex);
    ++counter[key];
}

bool arBase::dropHandle(void* key) {
    std::lock_guard<std::mutex> lock(counterMutex);
    // An absent entry is created with 0 first, as the count of a handle that was never counted.
    const auto entry = counter.try_emplace(key, 0).first;
    if (--entry->second != 0) return false;
    counter.erase(entry);
    return true;
}

void arBase::reportFailedDeletion() {
    angiolith::detail::diagnosticLine(DiagnosticStream::Output, "konte nicht gelöscht werden");
}
