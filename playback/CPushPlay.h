#pragma once
// The send thread of recorded playback: once per send span it takes the frames
// of the playback indexed buffer in order and sends their bytes downstream on the
// main pin in samples of about one and a half frame times, which point straight
// into the ring. The span follows the frame rate and the play rate. A frame
// marked as the first after a gap stops sending until the host, told to play
// again, restarts from that frame; the end of the recording goes out with the
// last frame and is then said on every tick. When the thread ends it delivers
// end-of-stream on its pin, once.
//
// The frames are followed by their offsets in the ring: bytes of consecutive
// frames go out together, and where the next frame starts elsewhere (the ring's
// start), what is left of the one before goes out on its own first.
//
// After each delivery the filter learns where a restart would go on from: the
// first frame not wholly delivered, so that a rate or position change replays at
// most the frame it cut. While a restart is pending nothing goes out.
//
// Locking: none of its own. The span and the sample size are atomic; everything
// else is the send thread's. The camera parameters and the buffer lock themselves.

#include "core/IndexRecords.h"
#include "playback/IPlayOwner.h"
#include "stream/CPinSender.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>

class CCamParm;
class CESMediaSamplePool;
class CPlayIndexedBuffer;

class CPushPlay : public CPinSender {
public:
    static constexpr DWORD kContinueMs = 5;

    CPushPlay(IPlayOwner* pFilter, CPlayIndexedBuffer* pBuffer, CESMediaSamplePool* pPool, CCamParm* pCamParm,
              uint32_t pinType, uint32_t kbps, HRESULT* phr);
    ~CPushPlay();
    CPushPlay(const CPushPlay&) = delete;
    CPushPlay& operator=(const CPushPlay&) = delete;

private:
    struct Range {
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    // A frame taken: where its bytes lie in the count of bytes taken, and its place.
    struct TakenFrame {
        uint64_t start = 0, end = 0;
        uint32_t time = 0;
        uint16_t ordinal = 0;
    };
    enum class Cut { Full, RingPoint, End };

    static unsigned ThreadEntry(void* pParam);
    void ThreadProc();
    void Tick();
    void NoFrame(int32_t result, uint16_t usStatus);
    void TakeFrame(const PlayIndexEntry& entry);
    void Retune(const PlayIndexEntry& entry);
    void NoteStatus(const PlayIndexEntry& entry);
    void Finish();
    void HandleGap();
    void MakeES(uint32_t size, Cut cut);
    void UpdateRestartRecord(const StreamInfoBlock& block);
    bool IsRestartPending();
    void DropSent();
    PlayPlace RestartPlace() const;
    void SetStatus(uint16_t usStatus);

    IPlayOwner* const m_pFilter;
    CPlayIndexedBuffer* const m_pBuffer;
    CESMediaSamplePool* const m_pPool;
    CCamParm* const m_pCamParm;
    std::atomic<DWORD> m_dwSendSpan{50};
    std::atomic<uint32_t> m_dwSampleSize{0};
    uint16_t m_usLastStatus = 0xFFFF;
    bool m_bEnd = false;           // the last frame went out
    bool m_bGap = false;           // a gap's first frame waits for the restart
    bool m_bGapHandled = false;
    StreamInfoBlock m_GapInfo = {};
    Range m_Pending;               // taken from frames, not yet sent
    PlayIndexEntry m_Frame = {};   // the last frame taken: the samples' times and flags
    uint64_t m_ullTime = 0;        // the next sample's start, 100-ns units
    std::deque<TakenFrame> m_Taken;  // the frames with bytes in m_Pending
    TakenFrame m_LastSent;           // the last frame whose bytes all went out
    uint64_t m_ullTaken = 0, m_ullSent = 0;
};
