#include "stream/CPinSender.h"

#include "core/Trace.h"

CPinSender::CPinSender(const wchar_t* pszName, uint32_t pinType, const CWorkerThread::Policy& policy,
                       const CWorkerThread::Lines& lines)
    : m_nPinType(pinType), m_Thread(policy, lines), m_pszName(pszName)
{
}

int32_t CPinSender::Start()
{
    g_Trace(0, L"%s:Send sample Decoder start.", m_pszName);
    m_bSending = 1;
    return 0;
}

int32_t CPinSender::Pause()
{
    g_Trace(0, L"%s(T:%d):Send sample to Decoder pause.", m_pszName, static_cast<int32_t>(m_nPinType));
    m_bSending = 0;
    return 0;
}

void CPinSender::RequestStop()
{
    g_Trace(0, L"%s(T:%d):Send sample to Decoder stop.", m_pszName, static_cast<int32_t>(m_nPinType));
    m_bSending = 0;
    m_Thread.RequestStop();
}

int32_t CPinSender::Stop()
{
    RequestStop();
    m_Thread.Join(static_cast<int32_t>(m_nPinType));
    return 0;
}
