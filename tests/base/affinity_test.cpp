#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <thread>

#include "base/affinity.h"

namespace tarvel {
namespace {

int processorsOfThisThread() {
    cpu_set_t mask;
    pthread_getaffinity_np(pthread_self(), sizeof mask, &mask);
    return CPU_COUNT(&mask);
}

// Run on a thread of its own so the test program's main thread keeps its mask.
TEST(Affinity, OnlyTheBoundThreadKeepsTheFirstProcessor) {
    const int whole = processorsOfThisThread();
    if (whole < 2) GTEST_SKIP() << "one processor only";
    int bound = 0, inherited = 0, restored = 0;
    std::thread ui([&] {
        ASSERT_TRUE(bindToFirstProcessor());
        bound = processorsOfThisThread();
        // A thread that does not ask inherits the single processor (this is
        // why the program's threads must ask) ...
        std::thread([&] { inherited = processorsOfThisThread(); }).join();
        // ... one that asks gets the whole mask back.
        std::thread([&] {
            takeProcessAffinity();
            restored = processorsOfThisThread();
        }).join();
    });
    ui.join();
    EXPECT_EQ(bound, 1);
    EXPECT_EQ(inherited, 1);
    EXPECT_EQ(restored, whole);
}

}  // namespace
}  // namespace tarvel
