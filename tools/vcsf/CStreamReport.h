#pragma once
// The camera's stream parameters and the status codes of the stream information
// block, as a person reads them.

#include "core/StreamInfoBlock.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CStreamReport {
public:
    // One "name  value" line per parameter; width and height as the filter holds them.
    static std::wstring Parameters(const StreamInfoBlock& block, uint32_t width, uint32_t height);
    // One line: "720x480, quality 4, 14.99 frames/s, 1190 kbit/s".
    static std::wstring Summary(const StreamInfoBlock& block, uint32_t width, uint32_t height);
    // The same as a JSON object's members, without the braces.
    static std::wstring JsonMembers(const StreamInfoBlock& block, uint32_t width, uint32_t height);
    // "0x9001 (no packet from the camera within the time-out)".
    static std::wstring Status(uint16_t usStatus);
    static std::wstring StatusMeaning(uint16_t usStatus);
    // Why a start failed, for a person: the time-out, the transport, the subnet;
    // bStatusShown when the status that tells more has been said.
    static std::wstring StartFailure(HRESULT hr, uint32_t timeoutMs, uint16_t usComType, bool bStatusShown);
    // The system's own words for an error code or HRESULT ("Access is denied"), or
    // "error N" when it has none.
    static std::wstring SystemError(DWORD code);
    // A JSON string of the text.
    static std::wstring JsonText(const std::wstring& text);
    // printf into a wide string, cut at 200 characters.
    static std::wstring Printed(const wchar_t* format, ...);
    static const wchar_t* Plural(uint64_t n, const wchar_t* one, const wchar_t* many) { return n == 1 ? one : many; }

private:
    static std::wstring Line(const wchar_t* name, const std::wstring& value);
    static std::wstring FrameRate(const STRM_HEAD_INFO& info);
    static double FramesPerSecond(const STRM_HEAD_INFO& info);
    static std::wstring CameraClock(const STRM_HEAD_INFO& info);
};
