#include "core/COpenMinuteFile.h"

bool COpenMinuteFile::Open(IMinuteStore* pStore, const std::string& path, uint32_t minute)
{
    Close();
    m_pSource = pStore->OpenRead(path);
    if (!m_pSource) return false;
    m_pReader = std::make_unique<CMinuteFileReader>(m_pSource.get());
    if (m_pReader->Open() == MinuteFileResult::Ok && m_pReader->MinuteStart() == minute) return true;
    Close();
    return false;
}

void COpenMinuteFile::Close()
{
    m_pReader.reset();
    m_pSource.reset();
}
