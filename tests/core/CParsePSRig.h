#pragma once
// A parser on a live indexed buffer as the receiving thread and the recording push
// thread use them: bytes written in pieces with a Parse after some of them, and
// every entry that is ready read, checked and released at once, so that the
// indexed buffer never fills.

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CParsePS.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/ProgramStreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

class CParsePSRig {
public:
    struct Entry {
        uint32_t notKey;
        std::vector<uint8_t> pack;
        uint32_t afterGap;
    };

    CParsePSRig()
    {
        owner.audioModel = 1;
        STRM_HEAD_INFO info = {};
        info.bFlag3 = 0x33;
        info.bResolution = 1;
        info.bQuality = 3;
        info.usFrameRate = 2;
        info.TimeStamp[0] = 59;
        camParm.SetStrmHeadInfo(info);
    }
    bool Ok() const { return bufferResult == CIndexedBuffer2::kOk && parserResult == CParsePS::kOk; }

    // Writes the bytes in pieces of the sizes given, in turn, and parses after every
    // parseEvery-th piece; the stream fed so far is kept in `fed`.
    void Feed(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& pieces = {1388}, int parseEvery = 1)
    {
        size_t at = 0;
        for (size_t n = 0; at < bytes.size(); n++) {
            const uint32_t size = static_cast<uint32_t>(std::min<size_t>(pieces[n % pieces.size()], bytes.size() - at));
            ASSERT_EQ(parser.Write(bytes.data() + at, size), 0) << "at " << fed.size() + at;
            at += size;
            if ((n + 1) % parseEvery == 0 || at == bytes.size()) parser.Parse();
            Drain();
        }
        ps::Append(fed, bytes);
    }
    // Past the indexed buffer's start threshold: a pack of 33,000 bytes, ended by a
    // last one; both are dropped from `entries` again.
    void Finish()
    {
        const size_t before = entries.size();
        std::vector<uint8_t> tail = ps::MakePack(ps::Kind::Other, 33000, 1);
        ps::Append(tail, ps::MakePack(ps::Kind::Video, 300, 2));
        Feed(tail);
        if (entries.size() > before) entries.pop_back();
    }
    // Every entry that is ready: its head, the start code behind it, then taken and released.
    void Drain()
    {
        IndexEntry e = {};
        while (buffer.ReadIndex(&e) == 0) {
            const uint32_t size = e.dwHeadSize + e.dwDataSize;
            ASSERT_LE(uint64_t{e.dwOffset} + size, buffer.GetSize());
            ASSERT_EQ(e.dwHeadSize, kPackIndexHeadSize);
            const uint8_t* p = buffer.Data() + e.dwOffset;
            uint8_t head[kPackIndexHeadSize];
            BuildPackIndexHead(camParm.GetBlock(), true, e.dwNotKey, head);
            EXPECT_EQ(std::memcmp(p, head, kPackIndexHeadSize), 0) << "entry " << e.ullSeq;
            EXPECT_EQ(e.dwDataKind, kIndexKindPack);
            EXPECT_GE(e.dwDataSize, 48u);
            EXPECT_TRUE(e.dwDataSize >= 4 && ps::IsStartCode(p + kPackIndexHeadSize, 0xBA)) << "entry " << e.ullSeq;
            entries.push_back({e.dwNotKey, std::vector<uint8_t>(p + kPackIndexHeadSize, p + size), e.dwAfterGap});
            buffer.ReadEnd(e.dwOffset + size, size);
            buffer.SetSamplePos(e.dwOffset + size);
        }
    }
    // The entries are exactly the packs the stream fed must give.
    void ExpectPacksOfTheStream(bool bEnded = false) const
    {
        const std::vector<ps::Pack> expected = ps::ExpectedPacks(fed, bEnded);
        ASSERT_EQ(entries.size(), expected.size());
        for (size_t n = 0; n < expected.size(); n++) {
            const ps::Pack& pack = expected[n];
            const std::vector<uint8_t> bytes(fed.begin() + pack.offset, fed.begin() + pack.offset + pack.size);
            ASSERT_EQ(entries[n].pack, bytes) << "pack " << n << " at " << pack.offset;
            ASSERT_EQ(entries[n].notKey, pack.notKey) << "pack " << n << " at " << pack.offset;
        }
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    int32_t bufferResult = 1;
    CIndexedBuffer2 buffer{CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &bufferResult};
    int32_t parserResult = 1;
    CParsePS parser{&buffer, &camParm, &parserResult};
    std::vector<uint8_t> fed;
    std::vector<Entry> entries;
};

inline std::unique_ptr<CParsePSRig> MakeRig() { return std::make_unique<CParsePSRig>(); }
