// A program stream written so that it ends at a whole pack: the bytes given, in
// pieces of any size, and what its end keeps of the last pack.

#include "core/CPackTailTrimmer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSystemHeader = 0xBB;
constexpr uint8_t kVideo = 0xE0;
constexpr uint8_t kAudio = 0xC0;

struct Packet {
    uint8_t id;
    size_t payload;
    size_t stated;  // the length field; payload when it does not lie
};

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// An MPEG-2 pack header with its stuffing (0 to 7 bytes), then the packets; no
// payload byte is zero, so no start code hides in one.
Bytes MakePack(const std::vector<Packet>& packets, uint8_t stuffing = 0, uint8_t seed = 0)
{
    Bytes pack = {0, 0, 1, 0xBA, 0x44, 0, 0x04, 0, 0x04, 0x01, 0x01, 0x89, 0xC3, static_cast<uint8_t>(0xF8 | stuffing)};
    pack.insert(pack.end(), stuffing, 0xFF);
    for (const Packet& packet : packets) {
        const uint8_t stated[2] = {static_cast<uint8_t>(packet.stated >> 8), static_cast<uint8_t>(packet.stated)};
        Append(pack, {0, 0, 1, packet.id, stated[0], stated[1]});
        for (size_t i = 0; i < packet.payload; i++) pack.push_back(static_cast<uint8_t>(1 + (i * 31 + seed) % 250));
    }
    return pack;
}

Packet Whole(uint8_t id, size_t payload) { return {id, payload, payload}; }

Bytes KeyPack(uint8_t seed = 0) { return MakePack({Whole(kSystemHeader, 42), Whole(kVideo, 700)}, 0, seed); }
Bytes VideoPack(uint8_t seed = 0, uint8_t stuffing = 0) { return MakePack({Whole(kVideo, 500)}, stuffing, seed); }

Bytes Joined(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& part : parts) Append(all, part);
    return all;
}

Bytes Cut(const Bytes& bytes, size_t length)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
}

void Give(const CPackTailTrimmer::Ready& ready, const uint8_t* pNew, Bytes* pOut)
{
    pOut->insert(pOut->end(), ready.pHeld, ready.pHeld + ready.cbHeld);
    pOut->insert(pOut->end(), pNew, pNew + ready.cbNew);
}

// What the trimmer gives of the stream cut at the given places, with its end.
Bytes Trimmed(const Bytes& stream, const std::vector<size_t>& cuts)
{
    CPackTailTrimmer trimmer;
    Bytes out;
    size_t from = 0;
    for (size_t to : cuts) {
        Give(trimmer.Take(stream.data() + from, to - from), stream.data() + from, &out);
        from = to;
    }
    Give(trimmer.Take(stream.data() + from, stream.size() - from), stream.data() + from, &out);
    Give(trimmer.Finish(), nullptr, &out);
    return out;
}

Bytes TrimmedInPieces(const Bytes& stream, size_t piece)
{
    std::vector<size_t> cuts;
    for (size_t at = piece; at < stream.size(); at += piece) cuts.push_back(at);
    return Trimmed(stream, cuts);
}

}  // namespace

// Pieces split anywhere: inside start codes, headers and length fields.

TEST(CPackTailTrimmerTest, WholePacksComeOutByteForByteInPiecesOfAnySize)
{
    const Bytes stream = Joined({KeyPack(1), VideoPack(2, 3), MakePack({Whole(kAudio, 90), Whole(kVideo, 60)}, 7, 3)});
    for (size_t piece = 1; piece <= stream.size(); piece++) ASSERT_EQ(TrimmedInPieces(stream, piece), stream) << piece;
}

TEST(CPackTailTrimmerTest, EverySplitInTwoGivesTheSameBytes)
{
    const Bytes stream = Joined({KeyPack(1), VideoPack(2), VideoPack(3)});
    for (size_t at = 0; at <= stream.size(); at++) ASSERT_EQ(Trimmed(stream, {at}), stream) << at;
}

TEST(CPackTailTrimmerTest, BytesAreGivenAsSoonAsALaterPackStartHasArrived)
{
    const Bytes a = KeyPack(1), b = VideoPack(2);
    const Bytes stream = Joined({a, b, VideoPack(3)});
    CPackTailTrimmer trimmer;
    CPackTailTrimmer::Ready ready = trimmer.Take(stream.data(), a.size() + 3);  // b's start code but its last byte
    EXPECT_EQ(ready.cbHeld + ready.cbNew, 0u);
    ready = trimmer.Take(stream.data() + a.size() + 3, b.size() - 1);  // b's rest and two bytes of the next
    EXPECT_EQ(ready.cbHeld, a.size());
    EXPECT_EQ(ready.cbNew, 0u);
    EXPECT_EQ(Bytes(ready.pHeld, ready.pHeld + ready.cbHeld), a);
    EXPECT_EQ(trimmer.HeldBytes(), b.size() + 2);
    ready = trimmer.Take(stream.data() + a.size() + b.size() + 2, 10);
    EXPECT_EQ(ready.cbHeld, b.size());
    EXPECT_EQ(ready.cbNew, 0u);
    EXPECT_EQ(Bytes(ready.pHeld, ready.pHeld + ready.cbHeld), b);
    EXPECT_EQ(trimmer.HeldBytes(), 12u);
}

TEST(CPackTailTrimmerTest, APieceWithSeveralPackStartsHoldsFromTheLast)
{
    const Bytes last = VideoPack(3);
    const Bytes stream = Joined({KeyPack(1), VideoPack(2), last});
    CPackTailTrimmer trimmer;
    const CPackTailTrimmer::Ready ready = trimmer.Take(stream.data(), stream.size());
    EXPECT_EQ(ready.cbHeld, 0u);
    EXPECT_EQ(ready.cbNew, stream.size() - last.size());
    EXPECT_EQ(trimmer.HeldBytes(), last.size());
}

// The last pack: kept when whole, cut when not.

// Behind the last whole packet, up to three bytes may be a start code cut short:
// they are dropped, and what is whole is kept.
TEST(CPackTailTrimmerTest, ALastPackCutInsideAPacketIsDroppedAndOneCutBetweenPacketsKept)
{
    const Bytes before = Joined({KeyPack(1), VideoPack(2)});
    const Bytes last = KeyPack(3);
    const size_t header = 14, afterSystemHeader = header + 6 + 42;
    for (size_t length = 0; length <= last.size(); length++) {
        Bytes kept = before;
        for (size_t whole : {header, afterSystemHeader, last.size()}) {
            if (length >= whole && length - whole <= 3) kept = Joined({before, Cut(last, whole)});
        }
        EXPECT_EQ(TrimmedInPieces(Joined({before, Cut(last, length)}), 100), kept) << length;
    }
}

TEST(CPackTailTrimmerTest, AProgramEndCodeEndsTheLastPack)
{
    const Bytes stream = Joined({KeyPack(1), VideoPack(2), {0, 0, 1, 0xB9}});
    EXPECT_EQ(TrimmedInPieces(stream, 7), stream);
    EXPECT_EQ(TrimmedInPieces(Joined({stream, {1, 2, 3, 4, 5}}), 7), stream);
}

TEST(CPackTailTrimmerTest, ALonePackStartCodeAtTheEndIsCut)
{
    const Bytes whole = KeyPack(1);
    EXPECT_EQ(TrimmedInPieces(Joined({whole, {0, 0, 1, 0xBA}}), 5), whole);
    EXPECT_EQ(TrimmedInPieces(Joined({whole, {0, 0, 1, 0xBA, 0x44, 0}}), 5), whole);
}

// Stuffing: the header's length is read from it.

TEST(CPackTailTrimmerTest, EveryStuffingLengthIsReadFromThePackHeader)
{
    const Bytes first = KeyPack(1);
    for (uint8_t stuffing = 0; stuffing <= 7; stuffing++) {
        const Bytes last = VideoPack(2, stuffing);
        const Bytes stream = Joined({first, last});
        EXPECT_EQ(TrimmedInPieces(stream, 3), stream) << int{stuffing};
        for (size_t length = 14; length < 14u + stuffing; length++)
            EXPECT_EQ(TrimmedInPieces(Joined({first, Cut(last, length)}), 3), first) << int{stuffing} << " " << length;
    }
}

// Found by PackTailTrimmerFuzzer: the stuffing length was read from the 14th byte
// of a header that had 12 or 13.
TEST(CPackTailTrimmerTest, AnMpeg2PackHeaderCutBeforeItsStuffingLengthIsNotReadPastItsEnd)
{
    for (size_t length : {12, 13}) {
        CPackTailTrimmer trimmer;
        const Bytes cut = Cut(VideoPack(1, 7), length);
        const Bytes exact(cut);  // held in a buffer of its own size
        trimmer.Take(exact.data(), exact.size());
        EXPECT_EQ(trimmer.Finish().cbHeld, 0u) << length;
    }
}

TEST(CPackTailTrimmerTest, AnMpeg1PackHeaderIsTwelveBytes)
{
    Bytes last = {0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0x1B, 0x91};
    Append(last, {0, 0, 1, kVideo, 0, 3, 7, 8, 9});
    const Bytes stream = Joined({KeyPack(1), last});
    EXPECT_EQ(TrimmedInPieces(stream, 4), stream);
    EXPECT_EQ(TrimmedInPieces(Cut(stream, stream.size() - 1), 4), KeyPack(1));
}

// Lengths that lie: each is checked against the bytes really there.

TEST(CPackTailTrimmerTest, APacketLengthPastTheStreamsEndCutsThePack)
{
    const Bytes first = KeyPack(1);
    EXPECT_EQ(TrimmedInPieces(Joined({first, MakePack({{kVideo, 300, 301}})}), 64), first);
    EXPECT_EQ(TrimmedInPieces(Joined({first, MakePack({{kVideo, 300, 0xFFFF}})}), 64), first);
}

TEST(CPackTailTrimmerTest, APacketLengthShortOfItsBytesCutsThePack)
{
    const Bytes first = KeyPack(1);
    EXPECT_EQ(TrimmedInPieces(Joined({first, MakePack({{kVideo, 300, 299}})}), 64), first);
    EXPECT_EQ(TrimmedInPieces(Joined({first, MakePack({{kSystemHeader, 42, 40}, Whole(kVideo, 80)})}), 64), first);
}

TEST(CPackTailTrimmerTest, APackWhosePacketsDoNotParseIsCutAtItsStart)
{
    const Bytes first = KeyPack(1);
    Bytes notMpeg = VideoPack(2);
    notMpeg[4] = 0x04;  // neither MPEG-1 nor MPEG-2
    EXPECT_EQ(TrimmedInPieces(Joined({first, notMpeg}), 64), first);
    Bytes pictureStart = VideoPack(2);
    pictureStart[17] = 0x00;  // a start code of the video, not a packet
    EXPECT_EQ(TrimmedInPieces(Joined({first, pictureStart}), 64), first);
    EXPECT_EQ(TrimmedInPieces(Joined({first, VideoPack(2), {9, 9, 9, 9}}), 64), first);
}

// Bytes outside any pack.

TEST(CPackTailTrimmerTest, BytesBeforeTheFirstPackAreGivenAsTheyCome)
{
    const Bytes junk = {0, 0, 1, kVideo, 0, 0, 0, 7, 0, 0, 1};
    const Bytes stream = Joined({junk, KeyPack(1), VideoPack(2)});
    for (size_t piece = 1; piece < 20; piece++) EXPECT_EQ(TrimmedInPieces(stream, piece), stream) << piece;
    CPackTailTrimmer trimmer;
    const CPackTailTrimmer::Ready ready = trimmer.Take(junk.data(), junk.size());
    EXPECT_EQ(ready.cbNew, junk.size() - 3);  // the last three may open a pack start code
}

TEST(CPackTailTrimmerTest, AStreamWithoutAPackIsGivenWhole)
{
    const Bytes stream = {5, 0, 0, 1, kVideo, 1, 2, 0, 0, 1};
    for (size_t piece = 1; piece <= stream.size(); piece++) EXPECT_EQ(TrimmedInPieces(stream, piece), stream) << piece;
    EXPECT_TRUE(Trimmed({}, {}).empty());
}

TEST(CPackTailTrimmerTest, AStretchLongerThanTheHoldIsGivenAsItComesAndNeverCut)
{
    Bytes stream = KeyPack(1);
    stream.resize(CPackTailTrimmer::kMaxHeld + 5000, 0x11);
    CPackTailTrimmer trimmer;
    Bytes out;
    for (size_t at = 0; at < stream.size(); at += 4096) {
        const size_t piece = std::min<size_t>(4096, stream.size() - at);
        Give(trimmer.Take(stream.data() + at, piece), stream.data() + at, &out);
        ASSERT_LE(trimmer.HeldBytes(), CPackTailTrimmer::kMaxHeld);
    }
    Give(trimmer.Finish(), nullptr, &out);
    EXPECT_EQ(out, stream);
    EXPECT_EQ(Trimmed(stream, {}), stream);  // in one piece too
}

TEST(CPackTailTrimmerTest, AfterItsEndTheTrimmerStartsAfresh)
{
    const Bytes first = KeyPack(1);
    CPackTailTrimmer trimmer;
    trimmer.Take(first.data(), first.size() - 1);
    EXPECT_EQ(trimmer.Finish().cbHeld, 0u);
    EXPECT_EQ(trimmer.HeldBytes(), 0u);
    Bytes out;
    Give(trimmer.Take(first.data(), first.size()), first.data(), &out);
    Give(trimmer.Finish(), nullptr, &out);
    EXPECT_EQ(out, first);
}
