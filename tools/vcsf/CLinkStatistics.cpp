#include "tools/vcsf/CLinkStatistics.h"

#include "tools/vcsf/CStreamReport.h"

namespace {

constexpr DWORD kNoStreamData = 0xFFFFFFFF;

std::wstring Count(const wchar_t* pszName, ULONGLONG n) { return std::wstring(pszName) + L" " + std::to_wstring(n); }

std::wstring Member(const wchar_t* pszName, ULONGLONG n)
{
    return L"\"" + std::wstring(pszName) + L"\":" + std::to_wstring(n);
}

}  // namespace

CLinkStatistics::CLinkStatistics(IBaseFilter* pFilter, bool bHttp) : m_bHttp(bHttp)
{
    pFilter->QueryInterface(IID_PPV_ARGS(&m_pStatistics));
}

bool CLinkStatistics::Read()
{
    VCSF_STATISTICS s = {};
    s.cbSize = sizeof(s);
    if (!m_pStatistics || FAILED(m_pStatistics->GetStatistics(&s))) return false;
    m_Last = s;
    return true;
}

std::wstring CLinkStatistics::Text() const
{
    const VCSF_STATISTICS& s = m_Last;
    std::wstring text = L"link: " + std::to_wstring(s.ullReceived) + (m_bHttp ? L" records (" : L" datagrams (") +
                        std::to_wstring(s.ullReceivedBytes) + L" bytes), " + Count(L"gaps", s.ullPacketGaps) + L", " +
                        Count(L"wrong ids", s.ullWrongIdentifiers) + L", " + Count(L"short or dropped", s.ullShortOrDropped) +
                        L", " + Count(L"ring overflows", s.ullRingOverflows) + L", " +
                        Count(L"recording overflows", s.ullRecordingOverflows) + L", " +
                        Count(L"reconnections", s.ullReconnections);
    if (s.ullReconnections) text += CStreamReport::Printed(L" (the last for status 0x%04X)", s.wLastReconnectCause);
    text += L"; " + Count(L"main pin", s.ullMainPinBytes) + L" bytes, " +
            Count(L"recording pin", s.ullRecordingPinBytes) + L" bytes; ";
    if (s.dwMsSinceStreamData == kNoStreamData) return text + L"no stream data yet";
    return text + L"stream data " + std::to_wstring(s.dwMsSinceStreamData) + L" ms ago";
}

std::wstring CLinkStatistics::JsonMembers() const
{
    const VCSF_STATISTICS& s = m_Last;
    const std::wstring since = s.dwMsSinceStreamData == kNoStreamData ? L"null" : std::to_wstring(s.dwMsSinceStreamData);
    return Member(L"received", s.ullReceived) + L"," + Member(L"received_bytes", s.ullReceivedBytes) + L"," +
           Member(L"packet_gaps", s.ullPacketGaps) + L"," + Member(L"wrong_identifiers", s.ullWrongIdentifiers) + L"," +
           Member(L"short_or_dropped", s.ullShortOrDropped) + L"," + Member(L"ring_overflows", s.ullRingOverflows) +
           L"," + Member(L"recording_overflows", s.ullRecordingOverflows) + L"," +
           Member(L"reconnections", s.ullReconnections) +
           CStreamReport::Printed(L",\"last_reconnect_cause\":\"0x%04X\",", s.wLastReconnectCause) +
           Member(L"main_pin_bytes", s.ullMainPinBytes) + L"," + Member(L"recording_pin_bytes", s.ullRecordingPinBytes) +
           L",\"ms_since_stream_data\":" + since;
}
