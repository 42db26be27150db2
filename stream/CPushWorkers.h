#pragma once
// The owner of the push threads: the live one and the playback one of the main
// pin, and the recording one of the "Stream" pin. One path creates a worker (an existing one that still
// runs is kept), one asks them all to stop, one stops, joins and deletes.
//
// Locking: m_Lock guards the pointers only. Threads are created and joined outside
// it: a new worker is built first and installed under the lock, a worker taken out
// under the lock is stopped after it. Taken after the filter lock; a push thread's
// own lock may be taken inside it (Tune).

#include "core/CritSec.h"

#include <windows.h>

#include <cstdint>
#include <memory>

class CCamParm;
class CESMediaSamplePool;
class CIndexedBuffer2;
class CMpegBuffer;
class CPlayIndexedBuffer;
class CPushData;
class CPushES;
class CPushPlay;
class CTSMediaSamplePool;
class IPlayOwner;

class CPushWorkers {
public:
    static constexpr uint32_t kLive = 1;
    static constexpr uint32_t kRecording = 2;
    static constexpr uint32_t kPlay = 4;
    static constexpr uint32_t kAll = kLive | kRecording | kPlay;

    struct Buffers {
        CTSMediaSamplePool* pLivePool;
        CMpegBuffer* pRing;
        CESMediaSamplePool* pRecordingPool;
        CIndexedBuffer2* pRecordingBuffer;
        CESMediaSamplePool* pPlayPool;
        CPlayIndexedBuffer* pPlayBuffer;
    };

    CPushWorkers(IPlayOwner* pOwner, CCamParm* pCamParm, const Buffers& buffers);
    ~CPushWorkers();
    CPushWorkers(const CPushWorkers&) = delete;
    CPushWorkers& operator=(const CPushWorkers&) = delete;

    // S_OK once the worker runs (a new one, or the one that already ran).
    HRESULT CreateLive(uint32_t kbps, double rate);
    HRESULT CreateRecording(int64_t referenceTime);
    // Delivers on the main pin; rate: the play rate the sending starts at.
    HRESULT CreatePlay(uint32_t kbps, double rate);

    void Pause(uint32_t workers);
    // Every chosen thread stops sending and ends; the join comes with Delete.
    void RequestStop(uint32_t workers);
    void Delete(uint32_t workers);
    // The recording worker delivers what is ready, then ends as Delete ends it.
    void FinishRecording();
    bool Has(uint32_t worker);
    // A new average bit rate for the live worker, if there is one.
    void Tune(uint32_t kbps);

private:
    // Installs pNew unless a running worker holds the slot; the one that loses is
    // stopped after the lock.
    template <class T>
    void Adopt(std::unique_ptr<T>& slot, std::unique_ptr<T> pNew);

    IPlayOwner* const m_pOwner;
    CCamParm* const m_pCamParm;
    const Buffers m_Buffers;
    CCritSec m_Lock;
    std::unique_ptr<CPushData> m_pLive;
    std::unique_ptr<CPushES> m_pRecording;
    std::unique_ptr<CPushPlay> m_pPlay;
};
