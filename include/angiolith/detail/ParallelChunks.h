#ifndef ANGIOLITH_DETAIL_PARALLELCHUNKS_H
#define ANGIOLITH_DETAIL_PARALLELCHUNKS_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace angiolith::detail {

/// The number of worker threads a setting asks for: 0 means one per hardware thread, and never
/// more workers than there are items.
inline unsigned resolveThreads(unsigned requested, std::size_t items) {
    unsigned n = requested;
    if (n == 0) n = std::max(1u, std::thread::hardware_concurrency());
    if (items < n) n = static_cast<unsigned>(std::max<std::size_t>(items, 1));
    return n;
}

/// Calls work(worker, item) for every item in [0, count), spread over @p workers threads (the
/// calling thread is worker 0; with one worker no thread is started). Items are handed out one at
/// a time in ascending order, so uneven items balance. The first exception thrown by any call is
/// rethrown here after every worker has stopped; items not yet started are then skipped.
template <typename Work>
void parallelChunks(unsigned workers, std::size_t count, Work&& work) {
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) work(0u, i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorMutex;
    auto run = [&](unsigned worker) {
        for (;;) {
            if (failed.load(std::memory_order_relaxed)) return;
            const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= count) return;
            try {
                work(worker, i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(errorMutex);
                if (!error) error = std::current_exception();
                failed = true;
                return;
            }
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    try {
        for (unsigned w = 1; w < workers; ++w) threads.emplace_back(run, w);
    } catch (...) {
        // Too few threads could be started: the ones running and this one do the work.
        failed = false;
    }
    run(0);
    for (auto& thread : threads) thread.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace angiolith::detail

#endif
