#include "tools/vcsf/CFileSink.h"

#include "core/ByteOrder.h"

#include <cstring>

namespace {

// {0B1E7C52-8D3A-4F0B-9C1E-5A2D7F3B6E41}
const CLSID CLSID_FileSink = {0x0b1e7c52, 0x8d3a, 0x4f0b, {0x9c, 0x1e, 0x5a, 0x2d, 0x7f, 0x3b, 0x6e, 0x41}};

}  // namespace

CFileSink::CFileSink(COutputFile* pOutput, Content content)
    : CSampleSink(L"CFileSink", CLSID_FileSink), m_pOutput(pOutput), m_Content(content)
{
}

HRESULT CFileSink::Consume(IMediaSample* pSample, BYTE* p)
{
    if (m_Content == Content::Data)
        return WriteReady(m_Trimmer.Take(p, static_cast<size_t>(pSample->GetActualDataLength())), p);
    // One write a packet: a reader behind a pipe wakes once, not twice.
    const long cb = pSample->GetSize();
    m_Record.resize(4 + static_cast<size_t>(cb));
    WriteLE32(m_Record.data(), static_cast<uint32_t>(cb));
    std::memcpy(m_Record.data() + 4, p, static_cast<size_t>(cb));
    return Write(m_Record.data(), m_Record.size());
}

void CFileSink::Finish()
{
    if (m_Content == Content::Data) WriteReady(m_Trimmer.Finish(), nullptr);
}

HRESULT CFileSink::WriteReady(const CPackTailTrimmer::Ready& ready, const BYTE* pNew)
{
    HRESULT hr = ready.cbHeld ? Write(ready.pHeld, ready.cbHeld) : S_OK;
    if (hr == S_OK && ready.cbNew) hr = Write(pNew, ready.cbNew);
    return hr;
}

// A failed write stops the stream here (S_FALSE); the host sees it in WriteError.
HRESULT CFileSink::Write(const BYTE* p, size_t cb)
{
    if (m_dwWriteError) return S_FALSE;
    if (!m_pOutput->Write(p, static_cast<DWORD>(cb))) {
        m_dwWriteError = GetLastError();
        return S_FALSE;
    }
    m_ullBytes += cb;
    return S_OK;
}
