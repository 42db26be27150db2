#pragma once
// "vcsf page [--screenshot FILE.png] [NAME=VALUE ...]": sets the given values on a
// new filter, opens its property page in the system's property frame on the
// desktop, and once the frame is closed prints the configuration as vcsf config
// does. With --screenshot the frame is pictured as soon as the page shows, and
// closed without applying.
//
// Threads: the frame is modal on the calling thread, which must be in a
// single-threaded apartment; the picture is taken on that thread, from a timer.

#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CFilterHost.h"

#include <strmif.h>

#include <string>
#include <vector>

class CPageCommand {
public:
    CPageCommand(CFilterHost* pHost, IBaseFilter* pFilter) : m_pHost(pHost), m_pFilter(pFilter) {}

    // 0, 1 when a value was refused or the picture failed, 2 for a usage error.
    int Run(const std::vector<std::wstring>& args);
    const std::wstring& Output() const { return m_output; }
    const std::wstring& Errors() const { return m_errors; }

private:
    bool Parse(const std::vector<std::wstring>& args);
    HRESULT ShowFrame();
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void TakePicture(HWND hFrame);

    CFilterHost* const m_pHost;
    IBaseFilter* const m_pFilter;
    std::wstring m_screenshot;
    std::vector<CConfigCommand::Assignment> m_assignments;
    std::wstring m_output, m_errors;
    bool m_bPictured = false;
    HRESULT m_hrPicture = S_OK;
};
