#pragma once
// The COM identity of a sample grabber's callback: reference counting and
// ISampleGrabberCB, with SampleCB left to the derived class.

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

class CGrabberCallback : public ISampleGrabberCB {
public:
    virtual ~CGrabberCallback() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_ISampleGrabberCB) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG cRef = InterlockedDecrement(&m_cRef);
        if (cRef == 0) delete this;
        return static_cast<ULONG>(cRef);
    }
    // Set up with SetCallback(this, 0): only SampleCB is called.
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

private:
    volatile LONG m_cRef = 0;
};
