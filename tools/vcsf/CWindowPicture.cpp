#include "tools/vcsf/CWindowPicture.h"

#include <wincodec.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

int Stride(int width) { return (width * 3 + 3) & ~3; }

}  // namespace

HRESULT CWindowPicture::Take(HWND hwnd)
{
    SetWindowPos(GetAncestor(hwnd, GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc;
    if (!GetWindowRect(hwnd, &rc)) return HRESULT_FROM_WIN32(GetLastError());
    m_width = rc.right - rc.left;
    m_height = rc.bottom - rc.top;
    if (m_width <= 0 || m_height <= 0) return E_FAIL;
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, m_width, m_height);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    // From the screen: a window asked to print itself leaves its controls out under Wine.
    const bool bCopied = BitBlt(hMemory, 0, 0, m_width, m_height, hScreen, rc.left, rc.top, SRCCOPY);
    SelectObject(hMemory, hOld);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;  // top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    m_bgr.assign(static_cast<size_t>(Stride(m_width)) * m_height, 0);
    const int rows = bCopied ? GetDIBits(hMemory, hBitmap, 0, m_height, m_bgr.data(), &info, DIB_RGB_COLORS) : 0;
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);
    return rows == m_height ? S_OK : E_FAIL;
}

uint32_t CWindowPicture::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const uint8_t* p = m_bgr.data() + static_cast<size_t>(y) * Stride(m_width) + 3 * x;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

HRESULT CWindowPicture::SavePng(const std::wstring& path) const
{
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(m_width, m_height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(m_height, Stride(m_width), static_cast<UINT>(m_bgr.size()), const_cast<BYTE*>(m_bgr.data()));
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    return hr;
}
