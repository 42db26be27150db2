#include "core/CPlayRate.h"

void CPlayRate::Set(double rate, bool bStopping, bool bAudioModel)
{
    m_dRate = (!bStopping && bAudioModel) ? 1.0 : rate;
}

double CPlayRate::Get(bool bStopping, bool bAudioModel) const
{
    if (!(m_dRate > 0)) return 1.0;
    return (!bStopping && bAudioModel) ? 1.0 : m_dRate;
}

uint32_t CPlayRate::PushInterval(bool bForReader) const
{
    if (m_dRate > 2) return bForReader ? 0 : 5;
    if (m_dRate > 1) return bForReader ? 3 : 7;
    return bForReader ? 10 : 25;
}
