#pragma once
// Stands for the filter in the push thread tests: takes a copy of what each sample
// carries, holds the samples when told to (as a queueing filter would), counts the
// ticks and the end-of-stream calls.
//
// Locking: m_Mutex guards the delivered copies and the held samples: the push
// thread under test appends under it, the test's thread reads copies and releases
// the held samples under it. Nothing else is taken while it is held. The counts
// and the hold flag are atomics, read without it.

#include "stream/IPushOwner.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class CRecordingPushOwner : public IPushOwner {
public:
    static constexpr uint32_t kPacketType = 8;  // the recording pin's samples point at a head

    struct Delivered {
        uint32_t esType;
        std::vector<uint8_t> bytes;  // a packet sample's head and pack, else its actual data
        long actual;
        LONGLONG mediaStart, mediaStop;
        REFERENCE_TIME start, stop;
        bool bSyncPoint;
        bool bTimeValid;
    };

    DWORD GetPushInterval(bool) override
    {
        ++m_nTicks;
        return 25;
    }
    bool DeliverVideo(IMediaSample* pSample, bool* pbTaken) override { return CheckAndDeliver(pSample, 1, pbTaken); }
    bool CheckAndDeliver(IMediaSample* pSample, uint32_t esType, bool* pbTaken) override
    {
        if (pbTaken) *pbTaken = true;
        BYTE* p = nullptr;
        pSample->GetPointer(&p);
        const long actual = pSample->GetActualDataLength();
        const long size = esType == kPacketType ? pSample->GetSize() : actual;
        Delivered d = {esType, std::vector<uint8_t>(p, p + size), actual, -1, -1, -1, -1, false, false};
        pSample->GetMediaTime(&d.mediaStart, &d.mediaStop);
        d.bTimeValid = pSample->GetTime(&d.start, &d.stop) == S_OK;
        d.bSyncPoint = pSample->IsSyncPoint() == S_OK;
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Delivered.push_back(std::move(d));
        if (bHold) m_Held.push_back(pSample), pSample->AddRef();
        ++m_nBlocks;
        return true;
    }
    void SendEndOfStream(uint32_t esTypes) override { m_nEndOfStream += esTypes ? 1 : 0; }

    void ReleaseHeld()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        for (IMediaSample* p : m_Held) p->Release();
        m_Held.clear();
    }
    std::vector<Delivered> Samples()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Delivered;
    }
    std::vector<uint8_t> Bytes()
    {
        std::vector<uint8_t> all;
        for (const Delivered& d : Samples()) all.insert(all.end(), d.bytes.begin(), d.bytes.end());
        return all;
    }
    int Blocks() const { return m_nBlocks; }
    int Ticks() const { return m_nTicks; }
    int EndsOfStream() const { return m_nEndOfStream; }

    std::atomic<bool> bHold{false};

private:
    std::mutex m_Mutex;
    std::vector<Delivered> m_Delivered;
    std::vector<IMediaSample*> m_Held;
    std::atomic<int> m_nBlocks{0};
    std::atomic<int> m_nTicks{0};
    std::atomic<int> m_nEndOfStream{0};
};
