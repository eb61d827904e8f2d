#ifndef ANGIOLITH_PYTHON_LIBRARY_H
#define ANGIOLITH_PYTHON_LIBRARY_H

#include <mutex>

namespace angiolith::python {

/// Serialises the work on vessel trees: tree handles share one process-wide reference-count
/// table, and the classifier one background value. Thinning touches neither and runs outside
/// it. Whoever holds the lock touches nothing of Python (it runs with the GIL released), so a
/// thread that waits for it while holding the GIL cannot deadlock with the holder.
[[nodiscard]] std::unique_lock<std::mutex> libraryLock();

}  // namespace angiolith::python

#endif
