#pragma once
// IEnumPins over a filter's pins; it holds a reference on the filter.

#include "baseclasses/CUnknown.h"

#include <strmif.h>

class CBaseFilter;

class CEnumPins : public CUnknown, public IEnumPins {
public:
    // pEnum, when given, is the enumerator to clone.
    CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnum);
    ~CEnumPins() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cPins) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** ppEnum) override;

private:
    bool OutOfSync() const;

    CBaseFilter* const m_pFilter;
    int m_Position = 0;
    int m_PinCount = 0;
    LONG m_Version = 0;
};
