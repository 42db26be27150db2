#include "tools/vcsf/CControlInput.h"

#include "tools/vcsf/CStreamReport.h"

#include <string>

namespace {

constexpr DWORD kCancelWaitMs = 1000;

std::wstring Wide(const std::string& line)
{
    if (line.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), n);
    return wide;
}

}  // namespace

CControlInput::~CControlInput()
{
    if (!m_hThread) return;
    CancelSynchronousIo(m_hThread);
    WaitForSingleObject(m_hThread, kCancelWaitMs);
    CloseHandle(m_hThread);
}

bool CControlInput::Open(const std::wstring& source, std::wstring* pError)
{
    HANDLE hInput = nullptr;
    if (source == L"-") {
        if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(), &hInput, 0,
                             FALSE, DUPLICATE_SAME_ACCESS))
            hInput = nullptr;
    } else {
        hInput = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hInput == INVALID_HANDLE_VALUE) hInput = nullptr;
    }
    if (!hInput) {
        *pError = L"vcsf play: --control " + source + L" cannot be read: " + CStreamReport::SystemError(GetLastError());
        return false;
    }
    auto* pReader = new Reader{hInput, m_pShared};
    m_hThread = CreateThread(nullptr, 0, ReadLines, pReader, 0, nullptr);
    if (m_hThread) return true;
    const DWORD dwError = GetLastError();
    CloseHandle(hInput);
    delete pReader;
    *pError = L"vcsf play: --control cannot start its reader: " + CStreamReport::SystemError(dwError);
    return false;
}

bool CControlInput::Next(std::wstring* pLine)
{
    CAutoLock lock(&m_pShared->lock);
    if (m_pShared->lines.empty()) return false;
    *pLine = std::move(m_pShared->lines.front());
    m_pShared->lines.pop_front();
    return true;
}

// Up to the end of the input, a failed read or a cancelled one; a last line
// without its end counts too.
DWORD WINAPI CControlInput::ReadLines(void* pParam)
{
    std::unique_ptr<Reader> pReader(static_cast<Reader*>(pParam));
    std::string pending;
    char chunk[512];
    DWORD got = 0;
    auto add = [&](std::string line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        CAutoLock lock(&pReader->pShared->lock);
        pReader->pShared->lines.push_back(Wide(line));
    };
    while (ReadFile(pReader->hInput, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        pending.append(chunk, got);
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            add(pending.substr(0, end));
    }
    if (!pending.empty()) add(pending);
    CloseHandle(pReader->hInput);
    return 0;
}
