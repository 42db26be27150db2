#include "tools/vcsf/CFileSink.h"

#include "core/ByteOrder.h"

namespace {

// {0B1E7C52-8D3A-4F0B-9C1E-5A2D7F3B6E41}
const CLSID CLSID_FileSink = {0x0b1e7c52, 0x8d3a, 0x4f0b, {0x9c, 0x1e, 0x5a, 0x2d, 0x7f, 0x3b, 0x6e, 0x41}};

}  // namespace

CFileSink::CFileSink(HANDLE hOutput, Content content)
    : CSampleSink(L"CFileSink", CLSID_FileSink), m_hOutput(hOutput), m_Content(content)
{
}

HRESULT CFileSink::Consume(IMediaSample* pSample, BYTE* p)
{
    if (m_Content == Content::Data) return Write(p, pSample->GetActualDataLength());
    const long cb = pSample->GetSize();
    BYTE length[4];
    WriteLE32(length, static_cast<uint32_t>(cb));
    const HRESULT hr = Write(length, sizeof(length));
    return hr == S_OK ? Write(p, cb) : hr;
}

// A failed write stops the stream here (S_FALSE); the host sees it in WriteError.
HRESULT CFileSink::Write(const BYTE* p, long cb)
{
    if (m_dwWriteError) return S_FALSE;
    for (long done = 0; done < cb;) {
        DWORD written = 0;
        if (!WriteFile(m_hOutput, p + done, static_cast<DWORD>(cb - done), &written, nullptr) || written == 0) {
            m_dwWriteError = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            return S_FALSE;
        }
        done += static_cast<long>(written);
        m_ullBytes += written;
    }
    return S_OK;
}
