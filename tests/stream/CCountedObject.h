#pragma once
// Stands for the filter in the sample tests: an object whose references the
// samples and pools take and give back, and that reports how many it holds.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

class CCountedObject : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
    LONG References() const { return m_cRef; }

private:
    std::atomic<LONG> m_cRef{1};
};
