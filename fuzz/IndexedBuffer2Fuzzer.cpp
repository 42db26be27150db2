// Operations on a small live indexed buffer decoded from the input: requests with
// any sizes, heads with right or wrong request numbers, pack bytes in any pieces,
// reads, releases and Init. Every entry read must lie wholly inside the area. As
// long as the reader and the releaser behave as the push thread and the sample
// pool do (an entry is taken right after it is read, samples are released in
// order), every packet read must hold the bytes written for it, and still hold
// them when it is released; odd ReadEnd and SetSamplePos calls end that check.

#include "core/CIndexedBuffer2.h"
#include "fuzz/FuzzOperations.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

namespace {

constexpr uint32_t kAreaSize = 64 * 1024;
constexpr uint32_t kMaxPiece = 0x2000;

class CModel {
public:
    explicit CModel(CIndexedBuffer2* pBuffer) : m_pBuffer(pBuffer) {}

    void Run(CInput& in)
    {
        switch (in.Byte() % 8) {
        case 0: WriteIndex(in); break;
        case 1: WriteHead(in); break;
        case 2: case 3: WriteData(in); break;
        case 4: Read(); break;
        case 5: Release(); break;
        case 6: Odd(in); break;
        default: Init(in); break;
        }
    }

private:
    struct Held {
        IndexEntry entry;
        uint64_t fed;
    };

    void WriteIndex(CInput& in)
    {
        const uint32_t form = in.Byte();
        IndexRequest request = {};
        request.dwDataSize = form & 0x80 ? in.Dword() : in.Word();
        request.dwHeadSize = form & 0x40 ? in.Byte() : 24;
        request.dwDataKind = kIndexKindPack;
        request.dwNotKey = form & 1;
        m_nReqNo = m_pBuffer->WriteIndex(request);
        m_ullSeq++;
        m_Fed[m_ullSeq] = 0;
    }
    void WriteHead(CInput& in)
    {
        const uint32_t form = in.Byte();
        const uint32_t length = form & 0x40 ? in.Byte() : 24;
        const int32_t reqNo = form & 0x80 ? static_cast<int32_t>(in.Byte()) : m_nReqNo;
        Feed(length, m_pBuffer->Write(Piece(length), length, reqNo, form & 1));
    }
    void WriteData(CInput& in)
    {
        const uint32_t length = in.Word() & (kMaxPiece - 1);  // packs of the area's size take a few pieces
        const uint32_t bComplete = in.Byte() & 1;
        Feed(length, m_pBuffer->Write(Piece(length), length, bComplete));
    }
    // The next bytes of the open packet, at the very end of an allocation so that a
    // read past the piece is caught. One allocation serves every piece: a fresh one
    // each time cost most of a run in page faults.
    const uint8_t* Piece(uint32_t length)
    {
        static const std::unique_ptr<uint8_t[]> pieces(new uint8_t[kMaxPiece]);
        uint8_t* const p = pieces.get() + kMaxPiece - length;
        FillPattern(p, length, m_ullSeq, m_Fed[m_ullSeq]);
        return p;
    }
    void Feed(uint32_t length, int32_t result)
    {
        if (result == 0) m_Fed[m_ullSeq] += length;
    }

    void Read()
    {
        IndexEntry entry = {};
        if (m_pBuffer->ReadIndex(&entry) < 0) return;
        const uint64_t size = uint64_t{entry.dwHeadSize} + entry.dwDataSize;
        Require(entry.dwOffset + size <= m_pBuffer->GetSize());
        Require(entry.ullSeq > m_ullLastRead);
        m_ullLastRead = entry.ullSeq;
        const Held held = {entry, m_Fed[entry.ullSeq]};
        m_Fed.erase(m_Fed.begin(), m_Fed.upper_bound(entry.ullSeq));
        Check(held);
        m_pBuffer->ReadEnd(static_cast<uint32_t>(entry.dwOffset + size), static_cast<uint32_t>(size));
        m_Held.push_back(held);
    }
    void Release()
    {
        if (m_Held.empty()) return;
        const Held held = m_Held.front();
        m_Held.pop_front();
        Check(held);
        m_pBuffer->SetSamplePos(held.entry.dwOffset + held.entry.dwHeadSize + held.entry.dwDataSize);
    }
    // An entry claims no byte that was not fed for its packet, and those bytes are
    // still the packet's.
    void Check(const Held& held) const
    {
        const uint8_t* p = m_pBuffer->Data() + held.entry.dwOffset;
        const uint64_t size = uint64_t{held.entry.dwHeadSize} + held.entry.dwDataSize;
        volatile uint8_t touch = size ? p[size - 1] : 0;  // inside the allocation
        (void)touch;
        if (!m_bOrderly) return;
        Require(size <= held.fed && HoldsPattern(p, size, held.entry.ullSeq));
    }

    void Odd(CInput& in)
    {
        m_bOrderly = false;
        if (in.Byte() & 1) m_pBuffer->ReadEnd(in.Dword(), in.Dword());
        else m_pBuffer->SetSamplePos(in.Dword());
    }
    void Init(CInput& in)
    {
        m_pBuffer->Init();
        if (in.Byte() & 1) m_pBuffer->SetReferenceTime(in.Byte());
        m_Held.clear();
        m_Fed.clear();
        m_ullSeq = 0;
        m_ullLastRead = 0;
        m_nReqNo = 0;
        m_bOrderly = true;
    }

    CIndexedBuffer2* m_pBuffer;
    std::map<uint64_t, uint64_t> m_Fed;  // bytes fed by sequence number, of packets not read yet
    std::deque<Held> m_Held;
    uint64_t m_ullSeq = 0;
    uint64_t m_ullLastRead = 0;
    int32_t m_nReqNo = 0;
    bool m_bOrderly = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int32_t result = 0;
    static CIndexedBuffer2 buffer(kAreaSize, CIndexedBuffer2::kLiveType, &result);
    return result == CIndexedBuffer2::kOk ? RunModel<CModel>(&buffer, data, size) : 0;
}
