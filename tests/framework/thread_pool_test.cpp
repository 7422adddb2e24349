#include "framework/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace quillery {
namespace {

// Tasks that wait for tasks of their own, more of them than there are workers: every task runs exactly once
// and nobody waits for ever, with no workers at all too.
TEST(ThreadPoolTest, NestedWaitsFinishWithAnyNumberOfWorkers) {
    for (size_t workers : {0u, 1u, 3u}) {
        SCOPED_TRACE(workers);
        ThreadPool pool(workers);
        std::vector<std::atomic<int>> runs(8 * 16);
        std::vector<ThreadPool::TaskHandle> outer;
        for (size_t k = 0; k < 8; ++k) {
            outer.push_back(pool.submit([&, k] {
                std::vector<ThreadPool::TaskHandle> inner;
                for (size_t j = 0; j < 16; ++j) {
                    inner.push_back(pool.submit([&, k, j] { ++runs[k * 16 + j]; }));
                }
                for (const auto& task : inner) {
                    pool.wait(task);
                }
            }));
        }
        for (const auto& task : outer) {
            pool.waitHelping(task);
            EXPECT_TRUE(pool.isDone(task));
        }
        for (const auto& count : runs) {
            EXPECT_EQ(1, count.load());
        }
    }
}

TEST(ThreadPoolTest, QueuedTasksRunBeforeThePoolIsGone) {
    std::atomic<int> runs{0};
    {
        ThreadPool pool(0);
        for (int k = 0; k < 5; ++k) {
            (void)pool.submit([&] { ++runs; });
        }
    }
    EXPECT_EQ(5, runs.load());
}

} // namespace
} // namespace quillery
