#include "playback/CFileTransport.h"

#include "core/Trace.h"
#include "playback/CFileReader.h"

#include <new>

CFileTransport::CFileTransport(IPlayOwner* pOwner, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer)
    : m_pOwner(pOwner), m_pCamParm(pCamParm), m_pBuffer(pBuffer)
{
}

// The reader goes before the library its search object came from.
CFileTransport::~CFileTransport() { m_pReader.reset(); }

HRESULT CFileTransport::Start(const FilterSettings& settings)
{
    if (m_pReader) DeleteReader();
    HRESULT hr = m_Library.Load();
    if (SUCCEEDED(hr)) {
        m_Settings = settings.play;
        m_pReader.reset(new (std::nothrow) CFileReader(m_pOwner, m_pCamParm, m_pBuffer, &m_Settings, &m_Library, &hr));
        if (!m_pReader) hr = E_FAIL;
    }
    if (FAILED(hr)) {
        g_ErrorLog(1, L"Instance", L"FileSetting Error.");
        m_pReader.reset();
        return hr;
    }
    return m_pReader->Initfilereader();
}

void CFileTransport::DeleteReader()
{
    const DWORD result = m_pReader->Stop();
    if (result != 0) g_Trace(1, L"CFileReader Stop Err(%d)", static_cast<int32_t>(result));
    m_pReader.reset();
    g_Trace(1, L"CFileReader Delete Instance (Create before)");
}

void CFileTransport::Stop()
{
    if (m_pReader) m_pReader->Stop();
}

bool CFileTransport::IsActive() { return m_pReader && m_pReader->IsRunning(); }
