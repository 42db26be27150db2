#include "camera/CNetReceiver.h"

int32_t CNetReceiver::SetComType(uint16_t usComType)
{
    CAutoLock lock(&m_Lock);
    if (m_bActive) return -1;
    m_usComType = usComType;
    return 0;
}

uint16_t CNetReceiver::GetComType()
{
    CAutoLock lock(&m_Lock);
    return m_usComType;
}

bool CNetReceiver::IsActive()
{
    CAutoLock lock(&m_Lock);
    return m_bActive;
}
