#include "diagnostics/DiagnosticLine.h"

#include <angiolith/tree/ar.h>

std::map<void*, int> arBase::counter;

void arBase::reportFailedDeletion() {
    angiolith::detail::diagnosticLine(DiagnosticStream::Output, "konte nicht gelöscht werden");
}
