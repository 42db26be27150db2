// vcsf: the host program of the filter.

#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CFilterHost.h"

#include <cstdio>
#include <string>
#include <vector>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kUsage[] =
    L"usage: vcsf config [NAME=VALUE ...]\n"
    L"  config    set the given properties on a new filter and print every property\n"
    L"            with its value (addresses dotted, ports in host order, dates in UTC)\n";

void Write(FILE* stream, const std::wstring& text)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), cb, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

int RunConfig(const std::vector<std::wstring>& assignments)
{
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    HRESULT hr = host.Create(&filter);
    if (FAILED(hr)) {
        wchar_t text[160];
        _snwprintf(text, 160, L"vcsf: cannot create the filter from %ls (0x%08lX)\n",
                   CFilterHost::ModuleBesideProgram().c_str(), static_cast<unsigned long>(hr));
        text[159] = L'\0';
        Write(stderr, text);
        return 2;
    }
    ComPtr<IVLMVCConfigure> config;
    if (FAILED(filter.As(&config))) {
        Write(stderr, L"vcsf: the filter has no configuration interface\n");
        return 2;
    }
    CConfigCommand command(config.Get());
    bool ok = command.Apply(assignments);
    Write(stderr, command.Errors());
    Write(stdout, L"# filter: " + host.Origin() + L"\n" + command.Listing());
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty() || args[0] != L"config") {
        Write(args.empty() ? stdout : stderr, kUsage);
        return args.empty() ? 0 : 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
    int status = RunConfig({args.begin() + 1, args.end()});
    CoUninitialize();
    return status;
}
