#pragma once
// The recording pin, "Stream": one sample per pack of the program stream, each
// pointing at its 24-byte pack head, for a recorder.

#include "DShowFilters/CFilterAllocatorPin.h"

class CRecOutputPin : public CFilterAllocatorPin {
public:
    CRecOutputPin(CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, CNetRecvAlloc* const* ppAllocator);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    // Positions 0 and 1 both give the type: the enumeration lists it twice.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
};
