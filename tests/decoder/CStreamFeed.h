#pragma once
// The first graph's end: a sample grabber's callback that hands every sample's
// bytes to the pull source of the second graph, as they arrive.

#include "tests/decoder/CGrabberCallback.h"
#include "tests/support/ComTestUtil.h"
#include "tests/support/CPullSource.h"

class CStreamFeed : public CGrabberCallback {
public:
    explicit CStreamFeed(CPullSource* pSource) : m_pSource(pSource) {}

    STDMETHODIMP SampleCB(double SampleTime, IMediaSample* pSample) override;

    LONG Refused() const { return m_cRefused; }

private:
    ComPtr<CPullSource> m_pSource;
    volatile LONG m_cRefused = 0;  // samples whose length did not fit their buffer
};
