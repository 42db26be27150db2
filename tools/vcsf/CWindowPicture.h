#pragma once
// A window as it shows on the screen, kept as 24-bit pixels and written as a PNG
// through the system's imaging codecs.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CWindowPicture {
public:
    // The window's rectangle of the screen, after its top-level window has come to
    // the top and painted.
    HRESULT Take(HWND hwnd);
    HRESULT SavePng(const std::wstring& path) const;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel at x, y from the window's top left, as 0xRRGGBB.
    uint32_t Pixel(int x, int y) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_bgr;  // rows top down, each padded to 4 bytes
};
