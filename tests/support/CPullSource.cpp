#include "tests/support/CPullSource.h"

// {5B7E2C14-9A3D-4F61-8C0E-2D4B6F1A9E37}
static const CLSID CLSID_PullSource = {0x5b7e2c14, 0x9a3d, 0x4f61, {0x8c, 0x0e, 0x2d, 0x4b, 0x6f, 0x1a, 0x9e, 0x37}};

CPullSource::CPullSource(const GUID& subtype)
    : CBaseFilter(L"CPullSource", nullptr, &m_filterLock, CLSID_PullSource),
      m_pin(this, &m_filterLock, &m_stream, subtype, nullptr)
{
}
