// The clock references of a program stream's pack headers, found whatever the
// pieces the stream arrives in.

#include "core/CPackClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr size_t kPackSpacing = 40;

// MPEG-2 pack headers with the given clock references, kPackSpacing bytes apart,
// with bytes between them that come close to a start code.
std::vector<uint8_t> Stream(const std::vector<uint64_t>& scrs)
{
    std::vector<uint8_t> bytes;
    for (uint64_t scr : scrs) {
        const uint8_t head[14] = {0, 0, 1, 0xBA,
                                  static_cast<uint8_t>(0x44 | (scr >> 30 & 7) << 3 | (scr >> 28 & 3)),
                                  static_cast<uint8_t>(scr >> 20),
                                  static_cast<uint8_t>((scr >> 15 & 0x1F) << 3 | 0x04 | (scr >> 13 & 3)),
                                  static_cast<uint8_t>(scr >> 5),
                                  static_cast<uint8_t>((scr & 0x1F) << 3 | 0x04),
                                  0x01, 0x01, 0x89, 0xC3, 0xF8};
        bytes.insert(bytes.end(), head, head + 14);
        for (size_t i = 14; i < kPackSpacing; i++) bytes.push_back(i % 5 == 0 ? 1 : 0);
    }
    return bytes;
}

}  // namespace

TEST(CPackClockTest, EveryHeadersClockIsFoundInPiecesOfAnySize)
{
    const std::vector<uint64_t> scrs = {0, 1, 90000, (uint64_t{1} << 33) - 1, 0x12345678, 0x1ABCDEF01};
    const std::vector<uint8_t> stream = Stream(scrs);
    for (size_t piece = 1; piece < kPackSpacing - 9; piece++) {
        CPackClock clock;
        std::vector<uint64_t> found;
        for (size_t at = 0; at < stream.size(); at += piece) {
            uint64_t scr = 0;
            if (clock.Feed(stream.data() + at, std::min(piece, stream.size() - at), &scr)) found.push_back(scr);
        }
        EXPECT_EQ(found, scrs) << "pieces of " << piece;
    }
}

TEST(CPackClockTest, APieceWithSeveralHeadersGivesTheFirst)
{
    const std::vector<uint8_t> stream = Stream({500, 600, 700});
    CPackClock clock;
    uint64_t scr = 0;
    ASSERT_TRUE(clock.Feed(stream.data(), stream.size(), &scr));
    EXPECT_EQ(scr, 500u);
    EXPECT_FALSE(clock.Feed(stream.data() + 20, 10, &scr));
}
