#ifndef ANGIOLITH_SRC_TERRITORY_ANNSEARCHLOCK_H
#define ANGIOLITH_SRC_TERRITORY_ANNSEARCHLOCK_H

#include <mutex>

namespace angiolith::detail {

/// Holds the one process-wide lock around the library's uses of ANN's k-d tree.
///
/// ANN keeps the state of a search (query point, dimension, best-k list, point array) in global
/// variables, and creates a shared trivial leaf lazily when the first tree is built, so two
/// searches, or a search and a construction or deletion, must never run at once, even on
/// different trees. Every construction, deletion and search of an ANN k-d tree in the library
/// holds an AnnSearchLock; callers keep it for a whole batch of searches where they can, so the
/// lock costs little per query.
///
/// ANN itself is not instrumented for ThreadSanitizer, so a race inside it would go unseen. Each
/// lock therefore also writes a stand-in of ANN's global state, and each ANN call of the library
/// is preceded by touchAnnState(): an ANN call not covered by the lock becomes a race that
/// ThreadSanitizer reports on the stand-in.
class AnnSearchLock {
public:
    AnnSearchLock();
    AnnSearchLock(const AnnSearchLock&) = delete;
    AnnSearchLock& operator=(const AnnSearchLock&) = delete;

private:
    std::lock_guard<std::mutex> guard;
};

/// Marks, just before a call into ANN, a use of ANN's global state (see AnnSearchLock).
void touchAnnState();

}  // namespace angiolith::detail

#endif
