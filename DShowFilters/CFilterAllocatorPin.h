#pragma once
// What both output pins share: they deliver the filter's own samples, so the only
// allocator they settle on is the filter's, whatever downstream offers; and both
// describe their stream with an MPEG-2 video format block.

#include "baseclasses/CBaseOutputPin.h"
#include "baseclasses/CMediaType.h"

#include <dvdmedia.h>

static_assert(sizeof(MPEG2VIDEOINFO) == 136, "the MPEG-2 video format block is 136 bytes");

class CNetRecvAlloc;

class CFilterAllocatorPin : public CBaseOutputPin {
public:
    CFilterAllocatorPin(const WCHAR* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                        const WCHAR* pName, CNetRecvAlloc* const* ppAllocator);

    HRESULT InitAllocator(IMemAllocator** ppAlloc) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) override;

protected:
    // The fields both format blocks have in common; the rest is each pin's.
    static MPEG2VIDEOINFO FormatBlock();
    static bool SetFormatBlock(CMediaType* pMediaType, const MPEG2VIDEOINFO& format);

private:
    // The filter creates its allocator after its pins: they find it here when they connect.
    CNetRecvAlloc* const* const m_ppAllocator;
};
