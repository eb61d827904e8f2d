// Independent analyses on several threads at once. Built and run in the ThreadSanitizer leg of
// the test command as well, which reports any data race the runs provoke.

#include "support/PhantomChain.h"

#include <angiolith/tree/Vessel.h>
#include <angiolith/tree/ar.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

using angiolith::phantom::PhantomOptions;

namespace {

// Different phantoms: shape and size vary with the seed and the root radius.
std::vector<PhantomOptions> phantoms() {
    std::vector<PhantomOptions> options;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        PhantomOptions o = PhantomOptions::tiny();
        o.seed = seed;
        o.rootRadius += 0.25f * static_cast<float>(seed);
        options.push_back(o);
    }
    return options;
}

TEST(ThreadSafetyTest, WholeChainsOnSeveralThreadsGiveTheSingleThreadedResults) {
    const std::vector<PhantomOptions> options = phantoms();
    // Odd runs ask the k-d tree voxel by voxel (ANN's searches), even ones take the grid path.
    auto run = [&](std::size_t i) {
        return chain_test::runChain(options[i % options.size()], i % 2 == 1);
    };
    std::vector<chain_test::ChainResult> alone;
    for (std::size_t i = 0; i < 2 * options.size(); ++i) alone.push_back(run(i));
    // Different phantoms give different results, so the identity checked below is no accident.
    EXPECT_FALSE(alone[0] == alone[2]);
    const std::size_t handles = arBase::counter.size();

    // Every run at once: each phantom twice, on both paths.
    std::vector<chain_test::ChainResult> together(2 * options.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < together.size(); ++i) {
        threads.emplace_back([&, i] { together[i] = run(i); });
    }
    for (std::thread& t : threads) t.join();

    for (std::size_t i = 0; i < together.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(together[i].tree.empty());
        EXPECT_TRUE(together[i] == alone[i]);
    }
    EXPECT_EQ(arBase::counter.size(), handles);
}

// Counts its destructions, so that the stress test can check that every object was deleted
// exactly once.
struct Counted {
    static inline std::atomic<int> destroyed{0};
    ~Counted() { destroyed.fetch_add(1, std::memory_order_relaxed); }
};

TEST(ThreadSafetyTest, HandleTableStaysExactUnderManyThreads) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 2000;
    const std::size_t handles = arBase::counter.size();
    Counted::destroyed = 0;
    ar<Counted> shared(new Counted);
    ar<Vessel> sharedVessel(new Vessel());

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                // Copies of the shared objects, made and dropped in different orders.
                ar<Counted> a(shared);
                ar<Vessel> v = sharedVessel;
                ar<Counted> b;
                b = a;
                // A private object passed between handles until the last one lets go.
                ar<Counted> own(new Counted);
                std::vector<ar<Counted>> copies(3, own);
                own = shared;
                copies.clear();
                a = nullptr;
            }
        });
    }
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(Counted::destroyed.load(), kThreads * kRounds);
    EXPECT_EQ(arBase::counter.size(), handles + 2);
    EXPECT_EQ(arBase::counter[shared.get()], 1);
    EXPECT_EQ(arBase::counter[sharedVessel.get()], 1);
    shared = nullptr;
    EXPECT_EQ(Counted::destroyed.load(), kThreads * kRounds + 1);
}

}  // namespace
