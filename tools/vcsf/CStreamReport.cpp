#include "tools/vcsf/CStreamReport.h"

#include "core/CCamParm.h"
#include "core/CParsePacket.h"
#include "core/PlayUnitInfo.h"

#include <vfwmsgs.h>

#include <cstdarg>
#include <cwchar>

namespace {

const wchar_t* SystemStatusText(uint16_t usStatus)
{
    switch (usStatus) {
    case kStatusOk: return L"no error";
    case kStatusNoFirstPacket: return L"no packet from the camera within the time-out";
    case kStatusConnectFailed: return L"the connection to the camera failed";
    case kStatusUnauthorized: return L"the camera refused the user name or password";
    case kStatusMacChanged: return L"the camera's MAC address changed: two cameras on one address and port?";
    case kStatusBufferOverflow: return L"the stream buffer overflowed: the graph does not take the data in time";
    case kStatusWrongIdentifier: return L"wrong identifier in the camera's HTTP stream head";
    case kStatusReconnecting: return L"the camera link broke: reconnecting";
    case kStatusStreamEnded: return L"the camera ended its stream";
    case kStatusNothingYet: return L"nothing received yet";
    case kStatusOtherFailure: return L"the HTTP connection failed";
    case kStatusEndOfData: return L"the end of the recording or of the play range";
    case kStatusGap: return L"a gap in the recording: playback goes on after it";
    case kStatusLibraryFailed: return L"a minute file or unit could not be read: it is passed over";
    case kStatusNoStreamInfo: return L"a unit without stream parameters";
    case kStatusOutOfMemory: return L"out of memory";
    case 0xA012: return L"the minute-file library had no unit to read";
    case kStatusEmptyUnit: return L"a recorded unit of no bytes";
    case 0xFF99: return L"the play folder is missing or cannot be listed";
    case 0xFF95: return L"the minute-file library was not ready";
    case 0xFF94: return L"the minute-file library refused the play folder, area or range";
    case 0xFF91: return L"the minute-file library was asked for more than a unit holds";
    case 0xFF8A: return L"too many unreadable minute files in a row";
    case 0xFF9C: return L"the minute-file library failed";
    default: return nullptr;
    }
}

}  // namespace

std::wstring CStreamReport::Printed(const wchar_t* format, ...)
{
    wchar_t text[200] = {};
    va_list args;
    va_start(args, format);
    std::vswprintf(text, 200, format, args);
    va_end(args);
    return text;
}

std::wstring CStreamReport::SystemError(DWORD code)
{
    wchar_t* pText = nullptr;
    const DWORD cch = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    std::wstring text = cch ? std::wstring(pText, cch) : Printed(L"error %lu", static_cast<unsigned long>(code));
    LocalFree(pText);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' || text.back() == L' '))
        text.pop_back();
    return text;
}

std::wstring CStreamReport::JsonText(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\n') out += L"\\n";
        else if (c < 0x20) out += Printed(L"\\u%04x", static_cast<unsigned>(c));
        else out += (c == L'"' || c == L'\\') ? std::wstring{L'\\', c} : std::wstring{c};
    }
    return out + L"\"";
}

std::wstring CStreamReport::StatusMeaning(uint16_t usStatus)
{
    if (const wchar_t* pCamera = CParsePacket::CameraStatusText(usStatus)) return std::wstring(L"camera: ") + pCamera;
    const wchar_t* pSystem = SystemStatusText(usStatus);
    return pSystem ? pSystem : L"unknown status";
}

std::wstring CStreamReport::Status(uint16_t usStatus)
{
    return Printed(L"0x%04X (", usStatus) + StatusMeaning(usStatus) + L")";
}

std::wstring CStreamReport::StartFailure(HRESULT hr, uint32_t timeoutMs, uint16_t usComType, bool bStatusShown)
{
    if (hr == VFW_E_TIMEOUT) return Printed(L"no packet from the camera within the time-out, %u ms (--timeout, VCSF_TimeOut)", timeoutMs);
    if (hr == E_NOTIMPL) return L"the filter does not receive by this VCSF_ComType (E_NOTIMPL)";
    if (hr == E_FAIL && (usComType & 0x0F) == 1)
        return L"no interface of this machine is on the subnet of VCSF_Address, so the group cannot be joined (E_FAIL)";
    if (hr == E_FAIL && (usComType & 0x0F) == 2 && bStatusShown)
        return L"the camera's HTTP session or live request failed; the status above tells why (E_FAIL)";
    if (hr == E_FAIL && (usComType & 0x0F) == 2)
        return L"the camera's HTTP server refused the session or the live request with an HTTP error status, or "
               L"closed the connection (E_FAIL); the filter's trace log names the HTTP status";
    return Printed(L"the filter did not start (0x%08lX); its trace log tells more", static_cast<unsigned long>(hr));
}

std::wstring CStreamReport::Summary(const StreamInfoBlock& block, uint32_t width, uint32_t height)
{
    const STRM_HEAD_INFO& info = block.info;
    return Printed(L"%ux%u, quality %u, %.2f frames/s, %u kbit/s", width, height, info.bQuality, FramesPerSecond(info),
                   CCamParm::CalcAvgBitRate(block));
}

std::wstring CStreamReport::JsonMembers(const StreamInfoBlock& block, uint32_t width, uint32_t height)
{
    const STRM_HEAD_INFO& info = block.info;
    return Printed(L"\"width\":%u,\"height\":%u,\"quality\":%u,\"frame_rate_code\":%u,\"frames_per_second\":%.3f,"
                   L"\"kbit_per_second\":%u",
                   width, height, info.bQuality, info.usFrameRate, FramesPerSecond(info), CCamParm::CalcAvgBitRate(block));
}

double CStreamReport::FramesPerSecond(const STRM_HEAD_INFO& info)
{
    const int64_t duration = CCamParm::FrameDuration(info.usFrameRate, info.bVideoSystem != 0);
    return duration ? 1e7 / static_cast<double>(duration) : 0;
}

std::wstring CStreamReport::Parameters(const StreamInfoBlock& block, uint32_t width, uint32_t height)
{
    const STRM_HEAD_INFO& info = block.info;
    return Line(L"resolution", Printed(L"%ux%u", width, height)) +
           Line(L"quality", Printed(L"%u (0 to 4)", info.bQuality)) + Line(L"frame rate", FrameRate(info)) +
           Line(L"bit rate", Printed(L"%u kbit/s (expected at this resolution, quality and frame rate)",
                                     CCamParm::CalcAvgBitRate(block))) +
           Line(L"camera clock", CameraClock(info)) + Line(L"status", Status(info.usStatus));
}

std::wstring CStreamReport::Line(const wchar_t* name, const std::wstring& value)
{
    std::wstring line = name;
    line.resize(14, L' ');
    return line + value + L"\n";
}

std::wstring CStreamReport::FrameRate(const STRM_HEAD_INFO& info)
{
    const double fps = FramesPerSecond(info);
    if (fps == 0) return Printed(L"code %u (unknown)", info.usFrameRate);
    return Printed(L"%.2f frames/s (code %u, %ls system)", fps, info.usFrameRate,
                   info.bVideoSystem ? L"25 Hz" : L"30 Hz");
}

// second, minute, hour, day, month, year - 1900
std::wstring CStreamReport::CameraClock(const STRM_HEAD_INFO& info)
{
    const uint8_t* t = info.TimeStamp;
    return Printed(L"%04u-%02u-%02u %02u:%02u:%02u", 1900u + t[5], t[4], t[3], t[2], t[1], t[0]);
}
