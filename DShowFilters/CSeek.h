#pragma once
// The filter's IMediaSeeking, for recorded playback: a rate change sets the play
// rate, the playback buffer's start size and time step, flushes the main pin and
// starts a new segment; a position change (media time from the range's start)
// flushes the main pin. Either one, while the filter runs or is paused, marks a
// restart pending and asks the host to play again (the retry-play event), once for
// all the changes that arrive before the host restarts: the new reader goes on
// from the first unit not wholly delivered, or from the new position. Live, or
// with the audio model on, seeking changes nothing and the rate stays 1.0.
//
// The filter owns it and answers IMediaSeeking with it, on itself and on its main
// pin: the graph reaches a source through its renderers' pins. A graph that also
// calls the filter itself delivers each change twice; a change to what is pending
// already does nothing more.
//
// Locking: the values (start, stop, rate, duration) have a lock of their own, held
// only around them, so that a downstream filter may ask for them on the thread
// that delivers, even while a Stop holds the filter lock and joins that thread.
// The rate change holds the filter lock throughout, the flush and its 100 ms pause
// included (lock 1 of the filter's table). The filter's restart record has its own.

#include "baseclasses/CSourceSeeking.h"

#include <cstdint>

class CCamParm;
class CPlayIndexedBuffer;
class CVCSourceOutputPin;
class IPlayOwner;

class CSeek : public CSourceSeeking {
public:
    static constexpr DWORD kFlushPauseMs = 100;
    static constexpr uint32_t kStartSizeAtRate1 = 10000;

    // pOwner is the filter's unknown, which every reference goes to.
    CSeek(IUnknown* pOwner, IPlayOwner* pFilter, CPlayIndexedBuffer* pBuffer, CVCSourceOutputPin* pOutput,
          CCamParm* pCamParm, CCritSec* pFilterLock);

    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP SetRate(double rate) override;

protected:
    HRESULT ChangeStart() override;
    HRESULT ChangeStop() override;
    HRESULT ChangeRate() override;

private:
    bool IsSeekable();
    bool IsRestartPending();
    double SettleRate();
    void FlushMainPin();
    void AskHostToRestart();

    CPlayIndexedBuffer* const m_pPlayIdxBuf;
    IPlayOwner* const m_pFilter;
    CVCSourceOutputPin* const m_pOutput;
    CCamParm* const m_pCamParm;
    CCritSec* const m_pFilterLock;
    CCritSec m_ValuesLock;
};
