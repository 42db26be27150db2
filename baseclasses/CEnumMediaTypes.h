#pragma once
// IEnumMediaTypes over the types a pin proposes (its GetMediaType); it holds a
// reference on the pin, that is on the pin's filter.

#include "baseclasses/CUnknown.h"

#include <strmif.h>

class CBasePin;

class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
public:
    // pEnum, when given, is the enumerator to clone.
    CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnum);
    ~CEnumMediaTypes() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    STDMETHODIMP Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cMediaTypes) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override;

private:
    bool OutOfSync() const;

    CBasePin* const m_pPin;
    int m_Position = 0;
    LONG m_Version = 0;
};
