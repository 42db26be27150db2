#include "core/CLinkCounters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

uint64_t Sum(const CLinkCounters::Values& v)
{
    return v.received + v.receivedBytes + v.packetGaps + v.wrongIdentifiers + v.shortOrDropped + v.ringOverflows +
           v.recordingOverflows + v.reconnections + v.mainPinBytes + v.recordingPinBytes;
}

// The receiving thread, the push threads and a host's reads at once: a counter
// bumped by a plain read-modify-write would lose updates (and the thread sanitizer
// would report the race), one read torn or out of order would go down between
// two snapshots, and one that the reset passes over stays.
TEST(CLinkCountersTest, ConcurrentNotesAllCountAndSnapshotsNeverGoDown)
{
    CLinkCounters counters;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::atomic<bool> bDone{false};
    std::thread reader([&] {
        CLinkCounters::Values last = {};
        while (!bDone) {
            const CLinkCounters::Values now = counters.Snapshot();
            EXPECT_GE(now.received, last.received);
            EXPECT_GE(now.mainPinBytes, last.mainPinBytes);
            EXPECT_GE(now.recordingPinBytes, last.recordingPinBytes);
            last = now;
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([&counters, t] {
            for (int i = 0; i < kRounds; i++) {
                counters.NoteReceived(3);
                counters.NotePacketGap();
                counters.NoteWrongIdentifier();
                counters.NoteShortOrDropped();
                counters.NoteRingOverflow();
                counters.NoteRecordingOverflows(2);
                counters.NoteReconnect(static_cast<uint16_t>(0x9000 + t));
                counters.NoteMainPinBytes(5);
                counters.NoteRecordingPinBytes(7);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    bDone = true;
    reader.join();
    const uint64_t n = uint64_t{kThreads} * kRounds;
    const CLinkCounters::Values v = counters.Snapshot();
    EXPECT_EQ(v.received, n);
    EXPECT_EQ(v.receivedBytes, 3 * n);
    EXPECT_EQ(v.packetGaps, n);
    EXPECT_EQ(v.wrongIdentifiers, n);
    EXPECT_EQ(v.shortOrDropped, n);
    EXPECT_EQ(v.ringOverflows, n);
    EXPECT_EQ(v.recordingOverflows, 2 * n);
    EXPECT_EQ(v.reconnections, n);
    EXPECT_EQ(v.mainPinBytes, 5 * n);
    EXPECT_EQ(v.recordingPinBytes, 7 * n);
    EXPECT_GE(v.lastReconnectCause, 0x9000);
    EXPECT_LT(v.lastReconnectCause, 0x9000 + kThreads);
    counters.Reset();
    EXPECT_EQ(Sum(counters.Snapshot()), 0u);
    EXPECT_EQ(counters.Snapshot().lastReconnectCause, 0);
}

}  // namespace
