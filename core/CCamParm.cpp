#include "core/CCamParm.h"

uint32_t CCamParm::GetWidth()
{
    CAutoLock lock(&m_Lock);
    return m_dwWidth;
}

uint32_t CCamParm::GetHeight()
{
    CAutoLock lock(&m_Lock);
    return m_dwHeight;
}

void CCamParm::SetResolution(uint32_t width, uint32_t height)
{
    CAutoLock lock(&m_Lock);
    m_dwWidth = width;
    m_dwHeight = height;
}

bool CCamParm::IsFirstDataGet()
{
    CAutoLock lock(&m_Lock);
    return m_bFirstDataGet != 0;
}

void CCamParm::SetFirstDataGet(bool bFound)
{
    CAutoLock lock(&m_Lock);
    m_bFirstDataGet = bFound ? 1 : 0;
}
