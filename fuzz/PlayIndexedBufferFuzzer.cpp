// Operations on a small playback indexed buffer decoded from the input: frames of
// any size with any status, each taken whenever the buffer said it had room, writes with wrong request numbers and second writes,
// reads with any required size, repeats, releases and Init. The reader and the
// releaser behave as the push thread and the sample pool do (an entry's frame is
// taken right after it is read, samples are released in order). Every entry read
// must lie inside the ring and hold the bytes written for its frame, and still hold
// them when its sample is released; the reservation never exceeds the ring.

#include "core/CPlayIndexedBuffer.h"
#include "fuzz/FuzzOperations.h"

#include <deque>
#include <map>
#include <memory>

namespace {

constexpr uint32_t kRingSize = 64 * 1024;
constexpr uint32_t kMaxFrame = 0x4000;

class CModel {
public:
    explicit CModel(CPlayIndexedBuffer* pBuffer) : m_pBuffer(pBuffer) {}

    void Run(CInput& in)
    {
        switch (in.Byte() % 8) {
        case 0: case 1: Frame(in); break;
        case 2: WrongWrite(in); break;
        case 3: case 4: Read(in); break;
        case 5: Release(); break;
        case 6: m_pBuffer->SetStatus(Status(in.Byte())); break;
        default: Init(in); break;
        }
        Require(m_pBuffer->GetReservedBytes() <= kRingSize);
    }

private:
    static uint16_t Status(uint32_t b)
    {
        static const uint16_t kStatuses[] = {0, 0x0501, 0x0601, 0x9123};
        return kStatuses[b % 4];
    }
    void Frame(CInput& in)
    {
        const uint32_t size = in.Word() % kMaxFrame;
        if (in.Byte() & 1) m_pBuffer->SetStatus(Status(in.Byte()));
        StreamInfoBlock block = {};
        block.ulIndexValue = static_cast<uint32_t>(m_ullSeq + 1);
        m_pBuffer->SetStreamInfo(block);
        const bool bRoom = m_pBuffer->HasRoomFor(size);
        m_nReqNo = m_pBuffer->WriteIndex(IndexRequest{size, 0, 3, 0, in.Byte() & 1});
        m_ullSeq++;
        const bool bWritten = m_pBuffer->Write(Piece(size), size, m_nReqNo, 1) == 0;
        if (bWritten) m_Written[m_ullSeq] = size;
        Require(bWritten || !bRoom || size == 0);  // the reader relies on the room it was told of
    }
    // A wrong request number, or a second write for the last one: never taken.
    void WrongWrite(CInput& in)
    {
        const uint32_t size = in.Word() % kMaxFrame;
        const int32_t reqNo = in.Byte() & 1 ? m_nReqNo : static_cast<int32_t>(in.Byte());
        const bool bSecond = reqNo == m_nReqNo && m_Written.count(m_ullSeq) != 0;
        const int32_t r = m_pBuffer->Write(Piece(size), size, reqNo, 1);
        if (reqNo != m_nReqNo || bSecond) Require(r < 0);
        else if (r == 0) m_Written[m_ullSeq] = size;
    }
    // The frame's bytes at the very end of an allocation, so that a read past them is caught.
    const uint8_t* Piece(uint32_t size)
    {
        static const std::unique_ptr<uint8_t[]> pieces(new uint8_t[kMaxFrame]);
        uint8_t* const p = pieces.get() + kMaxFrame - size;
        FillPattern(p, size, m_ullSeq, 0);
        return p;
    }
    void Read(CInput& in)
    {
        PlayIndexEntry e = {};
        const bool bRepeat = (in.Byte() & 7) == 0;
        if (m_pBuffer->ReadIndexLocked(&e, in.Word(), bRepeat) < 0) return;
        const uint64_t end = uint64_t{e.entry.dwOffset} + e.entry.dwDataSize;
        Require(end <= m_pBuffer->GetSize());
        if (bRepeat) return;
        Require(e.entry.ullSeq > m_ullLastRead);
        m_ullLastRead = e.entry.ullSeq;
        const auto written = m_Written.find(e.entry.ullSeq);
        Require(written != m_Written.end() && written->second == e.entry.dwDataSize);
        const uint64_t index = e.block.ulIndexValue;
        Require(index == e.entry.ullSeq);
        m_Written.erase(m_Written.begin(), ++m_Written.find(e.entry.ullSeq));
        Check(e);
        m_pBuffer->ReleaseRead(e.entry.dwDataSize);
        m_Held.push_back(e);
    }
    void Release()
    {
        if (m_Held.empty()) return;
        const PlayIndexEntry e = m_Held.front();
        m_Held.pop_front();
        Check(e);
        // Samples carry bytes: an empty frame is sent in none.
        if (e.entry.dwDataSize) m_pBuffer->ReadLockEnd(m_pBuffer->Data() + e.entry.dwOffset + e.entry.dwDataSize);
    }
    void Check(const PlayIndexEntry& e) const
    {
        Require(HoldsPattern(m_pBuffer->Data() + e.entry.dwOffset, e.entry.dwDataSize, e.entry.ullSeq));
    }
    // The filter empties the buffer only once no sample of it is out.
    void Init(CInput& in)
    {
        while (!m_Held.empty()) Release();
        m_pBuffer->Init();
        if (in.Byte() & 1) m_pBuffer->SetStartSize(in.Word());
        m_Written.clear();
        m_ullSeq = m_ullLastRead = 0;
        m_nReqNo = 0;
    }

    CPlayIndexedBuffer* m_pBuffer;
    std::map<uint64_t, uint32_t> m_Written;  // frame sizes by sequence number, of frames not read yet
    std::deque<PlayIndexEntry> m_Held;
    uint64_t m_ullSeq = 0;
    uint64_t m_ullLastRead = 0;
    int32_t m_nReqNo = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int32_t result = 0;
    static CPlayIndexedBuffer buffer(kRingSize, CPlayIndexedBuffer::kPlayType, &result);
    return result == CPlayIndexedBuffer::kOk ? RunModel<CModel>(&buffer, data, size) : 0;
}
