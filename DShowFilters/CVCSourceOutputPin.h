#pragma once
// The main pin, "MPEG-2 Program": the live or recorded program stream for a
// demultiplexer. It keeps the time of the last quality message, so that playback
// can tell whether downstream has been quiet.
//
// Locking: the pin's state and connection are guarded by the filter lock it is
// given (CBasePin's). Its own values take no lock: the quality time and the rate
// are atomic (written by downstream's thread and by seeking, read by the
// playback thread), and the seeking pointer is set only while no graph holds the
// filter (its construction and destruction).

#include "DShowFilters/CFilterAllocatorPin.h"

#include <atomic>

class CVCSourceOutputPin : public CFilterAllocatorPin {
public:
    CVCSourceOutputPin(CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, CNetRecvAlloc* const* ppAllocator);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;

    STDMETHODIMP Notify(IBaseFilter* pSelf, Quality q) override;
    STDMETHODIMP SetSink(IQualityControl* piqc) override;

    // The filter's seeking, which the pin answers IMediaSeeking with: the graph's
    // seeking reaches a source through the renderers' pins. It is the filter's
    // object, so its QueryInterface reaches the filter, not the pin; renderers
    // that pass seeking on never ask it. Null: none.
    void SetSeeking(IMediaSeeking* pSeeking) { m_pSeeking = pSeeking; }
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    void SetRate(double rate);
    // No quality message for longer than 500 ms at rate 1 (shorter at higher rates).
    bool IsQualityQuiet() const;

private:
    IMediaSeeking* m_pSeeking = nullptr;  // the filter's, which outlives the pin's use of it
    // Written by downstream's thread, read by the playback thread without a lock.
    std::atomic<LONGLONG> m_llFrequency{0};
    std::atomic<LONGLONG> m_llQualityStamp{0};
    std::atomic<double> m_dRate{1.0};
};
