#include "territory/AnnSearchLock.h"

namespace angiolith::detail {

namespace {

std::mutex annMutex;
// Stand-in of ANN's global search state, written under the lock and before each ANN call.
unsigned long annState = 0;

}  // namespace

AnnSearchLock::AnnSearchLock() : guard(annMutex) { ++annState; }

void touchAnnState() { ++annState; }

}  // namespace angiolith::detail
