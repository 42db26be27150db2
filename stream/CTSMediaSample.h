#pragma once
// A media sample that points into the filter's own buffers instead of owning
// memory: the main pin's send sample points at a block of the stream ring buffer,
// CESMediaSample at a packet of an indexed buffer. Its final Release gives it back
// to the pool that handed it out.

#include "core/CIntrusiveList.h"

#include <windows.h>
#include <strmif.h>

#include <atomic>
#include <cstdint>

class CCamParm;
class CTSMediaSamplePool;

class CTSMediaSample : public IMediaSample2, public CListLinks {
public:
    enum : uint32_t {
        kSyncPoint = 0x01,
        kPreroll = 0x02,
        kDiscontinuity = 0x04,
        kTypeChanged = 0x08,
        kTimeValid = 0x10,
        kMediaTimeValid = 0x20,
        kStopValid = 0x100,
    };

    CTSMediaSample(CTSMediaSamplePool* pPool, CCamParm* pCamParm);
    virtual ~CTSMediaSample();
    CTSMediaSample(const CTSMediaSample&) = delete;
    CTSMediaSample& operator=(const CTSMediaSample&) = delete;

    // The send sample's set-up for one block; the host hears of the stream with it.
    void InitSend(BYTE* pData, uint32_t length);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetPointer(BYTE** ppBuffer) override;
    STDMETHODIMP_(long) GetSize() override;
    STDMETHODIMP GetTime(REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL bIsSyncPoint) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL bIsPreroll) override;
    STDMETHODIMP_(long) GetActualDataLength() override;
    STDMETHODIMP SetActualDataLength(long lLength) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL bDiscontinuity) override;
    STDMETHODIMP GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    STDMETHODIMP SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

    STDMETHODIMP GetProperties(DWORD cbProperties, BYTE* pbProperties) override;
    STDMETHODIMP SetProperties(DWORD cbProperties, const BYTE* pbProperties) override;

protected:
    // After the final Release has cleared the sample's state.
    virtual void ReturnToPool();
    HRESULT FlagResult(uint32_t flag) const { return (m_dwFlags & flag) ? S_OK : S_FALSE; }
    void SetFlag(uint32_t flag, BOOL bOn) { m_dwFlags = bOn ? (m_dwFlags | flag) : (m_dwFlags & ~flag); }

    CTSMediaSamplePool* const m_pPool;
    CCamParm* const m_pCamParm;
    uint32_t m_dwTypeSpecificFlags = 0;
    AM_MEDIA_TYPE* m_pMediaType = nullptr;
    uint32_t m_dwPacketType = 0;
    uint32_t m_dwLength = 0;
    std::atomic<LONG> m_cRef{0};
    BYTE* m_pbData = nullptr;
    uint32_t m_dwOffset = 0;
    long m_lActual = 0;
    uint32_t m_dwFlags = 0;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = 0;
    LONGLONG m_tMediaStart = 0;
    LONGLONG m_tMediaStop = 0;
    uint32_t m_dwStreamId = 0;

private:
    void ClearState();
};
