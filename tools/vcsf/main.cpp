// vcsf: the host program of the filter.

#include "tools/vcsf/CCommandLine.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CExportCommand.h"
#include "tools/vcsf/CFilterHost.h"
#include "tools/vcsf/CHelpText.h"
#include "tools/vcsf/CInfoCommand.h"
#include "tools/vcsf/CLiveCommand.h"
#include "tools/vcsf/CLiveOptions.h"
#include "tools/vcsf/CPageCommand.h"
#include "tools/vcsf/CPlayCommand.h"
#include "tools/vcsf/CPlayOptions.h"
#include "tools/vcsf/CProbeCommand.h"
#include "tools/vcsf/CProbeOptions.h"
#include "tools/vcsf/CStreamReport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <io.h>
#include <string>
#include <vector>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

void Write(FILE* stream, const std::wstring& text)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), cb, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

bool CreateFilter(CFilterHost& host, ComPtr<IBaseFilter>* pFilter)
{
    HRESULT hr = host.Create(pFilter->ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) return true;
    Write(stderr, L"vcsf: cannot create the filter from " + CFilterHost::ModuleBesideProgram() + L": " +
                      CStreamReport::SystemError(static_cast<DWORD>(hr)) +
                      CStreamReport::Printed(L" (0x%08lX)\n", static_cast<unsigned long>(hr)));
    return false;
}

int RunConfig(const std::vector<std::wstring>& args)
{
    std::vector<CConfigCommand::Assignment> assignments(args.begin(), args.end());
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
    ComPtr<IVLMVCConfigure> config;
    if (FAILED(filter.As(&config))) {
        Write(stderr, L"vcsf: the filter has no configuration interface\n");
        return 2;
    }
    CConfigCommand command(config.Get());
    const bool ok = command.Apply(assignments);
    Write(stderr, command.Errors());
    Write(stdout, L"# filter: " + host.Origin() + L"\n" + command.Listing());
    return ok ? 0 : command.Malformed() ? 2 : 1;
}

int RunPage(const std::vector<std::wstring>& args)
{
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
    CPageCommand command(&host, filter.Get());
    const int status = command.Run(args);
    Write(stderr, command.Errors());
    Write(stdout, command.Output());
    return status;
}

int RunProbe(const std::vector<std::wstring>& args)
{
    CProbeOptions options;
    if (!options.Parse(args)) {
        Write(stderr, options.Error() + L"\n");
        return 2;
    }
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
    CProbeCommand probe(filter.Get());
    const int status = probe.Run(options.assignments);
    Write(stderr, probe.Errors());
    if (status == 0) Write(stdout, L"# filter: " + host.Origin() + L"\n" + probe.Report());
    return status;
}

std::atomic<bool> g_bInterrupted{false};
constexpr DWORD kCloseGraceMs = 4000;

// Ctrl+C, Ctrl+Break, and a console closed or a session ending (the system
// ends the process when the handler returns from those, so it waits a little
// for the run to finish).
BOOL WINAPI OnConsoleControl(DWORD dwType)
{
    g_bInterrupted = true;
    if (dwType == CTRL_CLOSE_EVENT || dwType == CTRL_LOGOFF_EVENT || dwType == CTRL_SHUTDOWN_EVENT) Sleep(kCloseGraceMs);
    return TRUE;
}

// On a terminal the progress line is redrawn in place; elsewhere it is left out.
// It is overwritten with blanks, not cleared by an escape sequence, which Wine's
// console can pass on split in two; and each line goes out in one write.
void ReportStream(const std::wstring& line, bool bProgress)
{
    static const bool bTerminal = _isatty(_fileno(stderr)) != 0;
    static size_t cchShown = 0;  // of the progress line on the terminal
    if (bProgress && !bTerminal) return;
    if (!bTerminal) {
        Write(stderr, line + L"\n");
        return;
    }
    const std::wstring blank = cchShown > line.size() ? std::wstring(cchShown - line.size(), L' ') : L"";
    if (bProgress) {
        Write(stderr, L"\r" + line + blank);
        cchShown = line.size();
        return;
    }
    Write(stderr, L"\r" + line + blank + L"\n");
    cchShown = 0;
}

// The operands of info and export, and the flags given.
bool SplitOperands(const std::wstring& subcommand, const std::vector<std::wstring>& args,
                   std::initializer_list<const wchar_t*> flags, size_t count, std::vector<CCommandLine::Item>* pFlags,
                   std::vector<std::wstring>* pOperands)
{
    std::vector<CCommandLine::Item> items;
    std::wstring error;
    if (CCommandLine::Split(args, flags, &items, &error)) {
        for (const CCommandLine::Item& item : items) {
            if (item.IsOperand()) pOperands->push_back(item.value);
            else if (std::any_of(flags.begin(), flags.end(), [&](const wchar_t* f) { return item.name == f; }))
                pFlags->push_back(item);
            else if (error.empty()) error = L"unknown option " + item.name;
        }
        if (error.empty() && pOperands->size() != count) error = L"wrong number of operands";
    }
    if (error.empty()) return true;
    Write(stderr, L"vcsf " + subcommand + L": " + error + L"\n" + CHelpText::For(subcommand));
    return false;
}

int RunInfo(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> options;
    std::vector<std::wstring> operands;
    if (!SplitOperands(L"info", args, {L"--check"}, 1, &options, &operands)) return 2;
    CInfoCommand info(operands[0], !options.empty());
    const int status = info.Run();
    Write(stderr, info.Errors());
    Write(stdout, info.Report());
    return status;
}

int RunExport(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> options;
    std::vector<std::wstring> operands;
    if (!SplitOperands(L"export", args, {L"-y", L"--overwrite"}, 2, &options, &operands)) return 2;
    CExportCommand command(operands[0], operands[1], !options.empty());
    const int status = command.Run();
    Write(stderr, command.Errors() + command.Report());
    return status;
}

// The first line of a stream says whether the filter came through COM or from beside vcsf.exe.
void ReportOrigin(const std::vector<std::wstring>& args, const CFilterHost& host)
{
    ReportStream(CCommandLine::Has(args, L"--json")
                     ? L"{\"event\":\"filter\",\"from\":" + CStreamReport::JsonText(host.Origin()) + L"}"
                     : L"# filter: " + host.Origin(),
                 false);
}

// "vcsf live" and "vcsf play": a filter of their own, run until the end or Ctrl+C.
template <class Options, class Command>
int RunStream(const std::vector<std::wstring>& args)
{
    Options options;
    if (!options.Parse(args)) {
        const bool bJson = CCommandLine::Has(args, L"--json");
        Write(stderr, bJson ? L"{\"event\":\"error\",\"message\":" + CStreamReport::JsonText(options.Error()) + L"}\n"
                            : options.Error() + L"\n");
        return 2;
    }
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
    ReportOrigin(args, host);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    int status;
    {
        Command command(filter.Get(), options, ReportStream, &g_bInterrupted);
        status = command.Run();
    }
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const std::wstring subcommand = args.empty() ? L"" : args[0];
    if (subcommand == L"--version") {
        Write(stdout, L"vcsf " VCSF_VERSION L"\n");
        return 0;
    }
    if (args.empty() || subcommand == L"--help" || subcommand == L"-h" || subcommand == L"help") {
        const std::wstring text = args.size() > 1 ? CHelpText::For(args[1]) : L"";
        Write(stdout, text.empty() ? CHelpText::Overview() : text);
        return 0;
    }
    const std::vector<std::wstring> rest(args.begin() + 1, args.end());
    if (CHelpText::For(subcommand).empty()) {
        Write(stderr, L"vcsf: unknown subcommand '" + subcommand + L"'\n" + CHelpText::Overview());
        return 2;
    }
    if (CCommandLine::AsksForHelp(rest)) {
        Write(stdout, CHelpText::For(subcommand));
        return 0;
    }
    if (subcommand == L"page") {
        // The property frame and its page want a single-threaded apartment.
        if (FAILED(OleInitialize(nullptr))) return 2;
        const int status = RunPage(rest);
        OleUninitialize();
        return status;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
    const int status = subcommand == L"config"   ? RunConfig(rest)
                       : subcommand == L"probe"  ? RunProbe(rest)
                       : subcommand == L"info"   ? RunInfo(rest)
                       : subcommand == L"export" ? RunExport(rest)
                       : subcommand == L"play"   ? RunStream<CPlayOptions, CPlayCommand>(rest)
                                                 : RunStream<CLiveOptions, CLiveCommand>(rest);
    CoUninitialize();
    return status;
}
