#include "cli/Threads.h"

#include <atomic>

namespace angiolith::tool {

namespace {

std::atomic<unsigned int> threads{0};

}  // namespace

unsigned int workerThreads() { return threads.load(std::memory_order_relaxed); }

void setWorkerThreads(unsigned int n) { threads.store(n, std::memory_order_relaxed); }

}  // namespace angiolith::tool
