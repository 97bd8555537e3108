#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "capture/samplegrabber.h"

namespace tarvel {
namespace {

// Every byte of sample n is n mod 251 and its length varies with n, so a torn
// or mixed sample shows.
std::vector<uint8_t> sampleBytes(uint64_t n) {
    return std::vector<uint8_t>(1000 + (n % 7) * 3000, uint8_t(n % 251));
}

TEST(SampleHandOff, NothingBeforeTheFirstSampleAndAfterReset) {
    Csamplegrabbercb grabber;
    EXPECT_FALSE(grabber.takeNewest());
    const auto bytes = sampleBytes(3);
    grabber.BufferCB(bytes.data(), bytes.size(), 640, 480);
    ASSERT_TRUE(grabber.takeNewest());
    EXPECT_EQ(grabber.latest().bytes, bytes);
    // Without a newer sample the tick gets the same one again.
    EXPECT_TRUE(grabber.takeNewest());
    EXPECT_EQ(grabber.latest().number, 1u);
    grabber.reset();
    EXPECT_FALSE(grabber.takeNewest());
}

TEST(SampleHandOff, TenThousandFramesStayWholeAndInOrder) {
    constexpr uint64_t kFrames = 10000;
    Csamplegrabbercb grabber;
    std::atomic<bool> done{false};
    std::atomic<size_t> takes{0};
    std::thread camera([&] {
        for (uint64_t n = 1; n <= kFrames; ++n) {
            const auto bytes = sampleBytes(n);
            grabber.BufferCB(bytes.data(), bytes.size(), int(n), 480);
            // Every 50 frames wait for the tick to take one, so both sides
            // really run at the same time instead of one after the other.
            if (n % 50 == 0) {
                const size_t seen = takes;
                while (takes == seen) std::this_thread::yield();
            }
        }
        done = true;
    });

    uint64_t lastSeen = 0;
    auto check = [&] {
        const Sample& s = grabber.latest();
        ASSERT_GE(s.number, lastSeen);  // never an older sample after a newer one
        // The source delivered sample n with width n: the record is whole.
        ASSERT_EQ(uint64_t(s.width), s.number);
        ASSERT_EQ(s.bytes, sampleBytes(s.number));
        lastSeen = s.number;
        ++takes;
    };
    while (!done) {
        if (grabber.takeNewest()) check();
    }
    ASSERT_TRUE(grabber.takeNewest());
    check();
    camera.join();
    EXPECT_EQ(lastSeen, kFrames);  // the newest sample is the last one sent
    EXPECT_GT(takes, kFrames / 50);
}

}  // namespace
}  // namespace tarvel
