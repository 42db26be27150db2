// The input, looped to some 360 KB of stream (past the ring's end at least once),
// written into the parser in pieces whose sizes are read from the input too, with a
// Parse after every n-th piece and a Flush at the end, and every ready entry of the
// indexed buffer read and released at once, as the recording push thread and its samples do. Every entry
// must lie inside the area, carry the head of the stream information and its key
// flag, hold a pack (a start code first), and hold the very bytes of the stream the
// parser took, in order and without a gap. The search must find what a
// byte-by-byte search finds.

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CParsePS.h"
#include "fuzz/CFuzzCamParmOwner.h"
#include "tests/core/ProgramStreams.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr size_t kStreamBytes = 360 * 1024;

void Require(bool bHolds)
{
    if (!bHolds) std::abort();
}

// The input read round and round: from one place the piece sizes, from another the bytes.
class CLoop {
public:
    CLoop(const uint8_t* pData, size_t size, size_t at) : m_pData(pData), m_nSize(size), m_nAt(at % size) {}
    uint32_t Byte()
    {
        const uint32_t b = m_pData[m_nAt];
        m_nAt = m_nAt + 1 == m_nSize ? 0 : m_nAt + 1;
        return b;
    }
    // A piece of up to 4 KiB, or now and then of up to 64 KiB.
    uint32_t PieceSize()
    {
        const uint32_t word = Byte() << 8 | Byte();
        return word & 0x8000 ? word & 0x7FFF ? (word & 0x7FFF) * 2 : 0 : word & 0xFFF;
    }
    void Bytes(uint8_t* pOut, uint32_t count)
    {
        for (uint32_t done = 0; done < count;) {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count - done, m_nSize - m_nAt));
            std::memcpy(pOut + done, m_pData + m_nAt, n);
            done += n;
            m_nAt = (m_nAt + n) % m_nSize;
        }
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nAt;
};

// Reads every ready entry and releases it at once. Once the key pack has opened the
// stream every pack consumed is indexed, so the entries of one drain lie back to back
// in the stream taken and end where the parser's consumption ends, and each drain's
// first entry begins where the last drain's ended. An overflow of the indexed buffer
// (a Parse of more than 511 packs, say) breaks that: the entries after it begin at a
// key pack marked as after the gap, with a later sequence number.
class CReader {
public:
    CReader(CIndexedBuffer2* pBuffer, CCamParm* pCamParm, const std::vector<uint8_t>* pTaken)
        : m_pBuffer(pBuffer), m_pCamParm(pCamParm), m_pTaken(pTaken)
    {
    }

    void Drain(size_t consumed)
    {
        std::vector<std::vector<IndexEntry>> runs(1);
        IndexEntry e = {};
        while (m_pBuffer->ReadIndex(&e) == 0) {
            const uint64_t size = uint64_t{e.dwHeadSize} + e.dwDataSize;
            Require(e.dwOffset + size <= m_pBuffer->GetSize());
            Require(e.dwHeadSize == kPackIndexHeadSize && e.dwDataSize >= 4 && e.dwNotKey <= 1 && e.dwAfterGap <= 1);
            Require(e.ullSeq > m_ullLastSeq);
            if (e.dwAfterGap) {
                Require(e.dwNotKey == 0);
                runs.emplace_back();
            } else {
                Require(e.ullSeq == m_ullLastSeq + 1 || m_ullLastSeq == 0);
            }
            m_ullLastSeq = e.ullSeq;
            const uint8_t* p = m_pBuffer->Data() + e.dwOffset;
            CheckHead(p, e.dwNotKey);
            Require(ps::IsStartCode(p + kPackIndexHeadSize, 0xBA));
            if (e.dwDataSize >= 66) Require(e.dwNotKey == (ps::ReferenceType(p + kPackIndexHeadSize) == 0 ? 0u : 1u));
            m_pBuffer->ReadEnd(static_cast<uint32_t>(e.dwOffset + size), static_cast<uint32_t>(size));
            m_pBuffer->SetSamplePos(static_cast<uint32_t>(e.dwOffset + size));
            runs.back().push_back(e);
        }
        for (size_t n = 0; n < runs.size(); n++) {
            if (runs[n].empty()) continue;
            if (n > 0) m_bOverflowed = true;  // a run after a gap begins somewhere unknown
            CheckPlaces(runs[n], consumed, n + 1 == runs.size());
        }
    }

private:
    void CheckHead(const uint8_t* pHead, uint32_t notKey)
    {
        uint8_t head[kPackIndexHeadSize];
        BuildPackIndexHead(m_pCamParm->GetBlock(), false, notKey, head);
        Require(std::memcmp(pHead, head, kPackIndexHeadSize) == 0);
    }
    // The packs are still in the area: nothing is written until the next Parse. A run
    // that ends short of the consumption ends at an overflow. Where a run begins is
    // known from the last run's end unless a gap lies between; the last run of a
    // drain after a gap ends at the consumption. The stream repeats itself, so a
    // place is checked only where it must be.
    void CheckPlaces(const std::vector<IndexEntry>& run, size_t consumed, bool bLastRun)
    {
        const size_t sum = Sum(run);
        Require(sum <= consumed);
        if (m_bAnchored && !m_bOverflowed) {
            Require(m_nNext + sum <= consumed && Placed(run, m_nNext));
            m_bOverflowed = m_nNext + sum != consumed;
            m_nNext += sum;
            return;
        }
        if (!bLastRun) return;
        m_bOverflowed = !Placed(run, consumed - sum);
        m_bAnchored = true;
        m_nNext = consumed;
    }
    static size_t Sum(const std::vector<IndexEntry>& run)
    {
        size_t sum = 0;
        for (const IndexEntry& e : run) sum += e.dwDataSize;
        return sum;
    }
    bool Placed(const std::vector<IndexEntry>& run, size_t at) const
    {
        const std::vector<uint8_t>& taken = *m_pTaken;
        for (const IndexEntry& e : run) {
            const uint8_t* pPack = m_pBuffer->Data() + e.dwOffset + kPackIndexHeadSize;
            if (at > taken.size() || e.dwDataSize > taken.size() - at) return false;
            if (std::memcmp(taken.data() + at, pPack, e.dwDataSize) != 0) return false;
            at += e.dwDataSize;
        }
        return true;
    }

    CIndexedBuffer2* m_pBuffer;
    CCamParm* m_pCamParm;
    const std::vector<uint8_t>* m_pTaken;
    bool m_bAnchored = false;
    bool m_bOverflowed = false;
    size_t m_nNext = 0;
    uint64_t m_ullLastSeq = 0;
};

void CheckSearch(const uint8_t* pData, size_t size)
{
    std::vector<uint8_t> padded(pData, pData + size);
    padded.resize(size + 66, 0);
    const int32_t n = static_cast<int32_t>(size);
    for (const int32_t last : {n - 1, n - 2, n / 2, n / 7, 3, 0, -1}) {
        int32_t type = -1;
        const int32_t at = CParsePS::SearchPack(padded.data(), last, &type);
        Require(at == ps::ReferenceSearch(padded.data(), last));
        Require(type == (at < 0 ? -1 : ps::ReferenceType(padded.data() + at)));
    }
}

// Taken once: fresh ones for every run cost more in page faults than the run itself.
CIndexedBuffer2& SharedBuffer()
{
    static int32_t result = 0;
    static CIndexedBuffer2 buffer(CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result);
    return buffer;
}

// The parser's ring comes from one block kept for the process: a fresh 300 KB
// allocation in every run spent half the run in page faults. The block is poisoned
// while no parser holds it, and its tail always, so ASan still sees a read past the
// ring or a use after the parser's end. Every array form goes through malloc and
// free so that the two kinds of memory never meet the wrong release.
constexpr size_t kRingBytes = CParsePS::kRingSize + CParsePS::kMirrorSize;
alignas(64) uint8_t g_RingBlock[(kRingBytes + 127) / 64 * 64];  // a whole poisoned tail
bool g_bRingHeld = false;

void* TakeArray(size_t size)
{
    if (size == kRingBytes && !g_bRingHeld) {
        g_bRingHeld = true;
        ASAN_UNPOISON_MEMORY_REGION(g_RingBlock, kRingBytes);
        ASAN_POISON_MEMORY_REGION(g_RingBlock + kRingBytes, sizeof g_RingBlock - kRingBytes);
        std::memset(g_RingBlock, 0xBE, kRingBytes);  // nothing of the last run shows through
        return g_RingBlock;
    }
    return std::malloc(size ? size : 1);
}

void ReleaseArray(void* p)
{
    if (p != g_RingBlock) {
        std::free(p);
        return;
    }
    ASAN_POISON_MEMORY_REGION(g_RingBlock, sizeof g_RingBlock);
    g_bRingHeld = false;
}

}  // namespace

void* operator new[](size_t size)
{
    if (void* p = TakeArray(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return TakeArray(size); }
void operator delete[](void* p) noexcept { ReleaseArray(p); }
void operator delete[](void* p, size_t) noexcept { ReleaseArray(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ReleaseArray(p); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    CheckSearch(data, size);
    CFuzzOwner owner;
    CCamParm camParm(&owner);
    CIndexedBuffer2& buffer = SharedBuffer();
    buffer.Init();
    int32_t result = 0;
    CParsePS parser(&buffer, &camParm, &result);
    if (result != CParsePS::kOk) return 0;
    static std::vector<uint8_t> taken, piece;  // taken: every piece the parser accepted
    taken.clear();
    CReader reader(&buffer, &camParm, &taken);
    const uint32_t parseEvery = data[0] % 8 + 1;
    CLoop sizes(data, size, 1), bytes(data, size, size / 2);
    for (size_t n = 1, offered = 0; offered < kStreamBytes && n < 4000; n++) {
        piece.resize(sizes.PieceSize());
        offered += piece.size();
        bytes.Bytes(piece.data(), static_cast<uint32_t>(piece.size()));
        const int32_t r = parser.Write(piece.data(), static_cast<uint32_t>(piece.size()));
        Require(r == 0 || r == CParsePS::kRefused || r == CParsePS::kOverflow);
        if (r == 0) taken.insert(taken.end(), piece.begin(), piece.end());
        Require(parser.GetDataSize() <= CParsePS::kRingSize && parser.GetDataSize() <= taken.size());
        if (n % parseEvery == 0) parser.Parse();
        reader.Drain(taken.size() - parser.GetDataSize());
        if (r == CParsePS::kOverflow) return 0;  // what the ring held is gone: consumption is no longer known
    }
    parser.Flush();
    buffer.EndOfInput();
    reader.Drain(taken.size() - parser.GetDataSize());
    return 0;
}
