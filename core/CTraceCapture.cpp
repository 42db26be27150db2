#include "core/CTraceCapture.h"

#include <ctime>

ITraceSink& TraceSink() { return TraceCapture(); }

CTraceCapture& TraceCapture()
{
    static CTraceCapture capture;
    return capture;
}

void CTraceCapture::Reset()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bSettingsPresent = false;
    m_OpenResult = TraceOpenResult::Opened;
    m_bWriteFails = false;
    m_bFixedTime = false;
    m_bLastOpenProtected = false;
    m_nOpenCount = 0;
    m_nWritesWhileClosed = 0;
    m_FileLines.clear();
    m_DebugLines.clear();
    m_Boxes.clear();
}

void CTraceCapture::SetSettingsFilePresent(bool bPresent)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bSettingsPresent = bPresent;
}

void CTraceCapture::SetOpenResult(TraceOpenResult result)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_OpenResult = result;
}

void CTraceCapture::SetWriteFails(bool bFails)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bWriteFails = bFails;
}

void CTraceCapture::SetFixedTime(const TraceTime& time)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bFixedTime = true;
    m_FixedTime = time;
}

std::vector<std::wstring> CTraceCapture::FileLines() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_FileLines;
}

std::vector<std::wstring> CTraceCapture::DebugLines() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_DebugLines;
}

std::vector<CTraceCapture::Box> CTraceCapture::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Boxes;
}

bool CTraceCapture::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_bOpen;
}

bool CTraceCapture::LastOpenProtected() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_bLastOpenProtected;
}

int CTraceCapture::OpenCount() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_nOpenCount;
}

int CTraceCapture::WritesWhileClosed() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_nWritesWhileClosed;
}

bool CTraceCapture::SettingsFilePresent()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_bSettingsPresent;
}

TraceOpenResult CTraceCapture::OpenTraceFile(bool bProtectedMode)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bLastOpenProtected = bProtectedMode;
    if (m_OpenResult == TraceOpenResult::Opened) {
        m_bOpen = true;
        m_nOpenCount++;
    }
    return m_OpenResult;
}

bool CTraceCapture::WriteLine(const wchar_t* line)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_bOpen) {
        m_nWritesWhileClosed++;
        return false;
    }
    if (m_bWriteFails) return false;
    m_FileLines.emplace_back(line);
    return true;
}

void CTraceCapture::Flush()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_bOpen) m_nWritesWhileClosed++;
}

bool CTraceCapture::CloseTraceFile()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    const bool bWasOpen = m_bOpen;
    m_bOpen = false;
    return bWasOpen;
}

void CTraceCapture::DebugOutput(const wchar_t* line)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_DebugLines.emplace_back(line);
}

void CTraceCapture::ShowMessage(const wchar_t* text, const wchar_t* caption)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Boxes.push_back({text, caption});
}

TraceTime CTraceCapture::LocalTime()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_bFixedTime) return m_FixedTime;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return {static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
            static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
            static_cast<uint16_t>(local.tm_min), static_cast<uint16_t>(local.tm_sec),
            static_cast<uint16_t>(now.tv_nsec / 1000000)};
}
