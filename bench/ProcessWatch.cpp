// The resource half of the reconnection soak: every INTERVAL seconds, the handles
// and threads of the first process whose image is NAME, as the system's process
// list has them (under Wine the server's count, which GetProcessHandleCount does
// not give), until that process has gone.
//
//   ProcessWatch NAME INTERVAL_SECONDS
// prints "seconds=S handles=N threads=N" a line a look.

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Look {
    ULONG handles = 0;
    ULONG threads = 0;
};

bool Find(const wchar_t* pszImage, Look* pLook)
{
    ULONG size = 1 << 20;
    std::string buffer(size, '\0');
    while (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), size, &size) != 0) buffer.resize(size *= 2);
    for (size_t offset = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        const UNICODE_STRING& name = p->ImageName;
        if (name.Buffer && _wcsnicmp(name.Buffer, pszImage, name.Length / sizeof(wchar_t)) == 0 &&
            std::wcslen(pszImage) == name.Length / sizeof(wchar_t)) {
            *pLook = {p->HandleCount, p->NumberOfThreads};
            return true;
        }
        if (!p->NextEntryOffset) return false;
        offset += p->NextEntryOffset;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ProcessWatch NAME INTERVAL_SECONDS\n");
        return 2;
    }
    const DWORD dwIntervalMs = static_cast<DWORD>(_wtoi(argv[2])) * 1000;
    const ULONGLONG start = GetTickCount64();
    Look look;
    while (Find(argv[1], &look)) {
        std::printf("seconds=%llu handles=%lu threads=%lu\n", (GetTickCount64() - start) / 1000, look.handles,
                    look.threads);
        std::fflush(stdout);
        Sleep(dwIntervalMs);
    }
    return 0;
}
