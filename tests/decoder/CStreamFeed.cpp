#include "tests/decoder/CStreamFeed.h"

HRESULT CStreamFeed::SampleCB(double, IMediaSample* pSample)
{
    if (!pSample) return E_POINTER;
    BYTE* pData = nullptr;
    const long cbActual = pSample->GetActualDataLength();
    if (FAILED(pSample->GetPointer(&pData)) || cbActual < 0 || cbActual > pSample->GetSize()) {
        InterlockedIncrement(&m_cRefused);
        return S_OK;
    }
    m_pSource->Stream().Append(pData, static_cast<size_t>(cbActual));
    return S_OK;
}
