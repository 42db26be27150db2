#pragma once
// The camera's stream parameters and the status codes of the stream information
// block, as a person reads them.

#include "core/StreamInfoBlock.h"

#include <cstdint>
#include <string>

class CStreamReport {
public:
    // One "name  value" line per parameter; width and height as the filter holds them.
    static std::wstring Parameters(const StreamInfoBlock& block, uint32_t width, uint32_t height);
    // "0x9001 (no packet from the camera within the time-out)".
    static std::wstring Status(uint16_t usStatus);

private:
    static std::wstring Line(const wchar_t* name, const std::wstring& value);
    static std::wstring FrameRate(const STRM_HEAD_INFO& info);
    static std::wstring CameraClock(const STRM_HEAD_INFO& info);
};
