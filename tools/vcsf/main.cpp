// vcsf: the host program of the filter.

#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CExportCommand.h"
#include "tools/vcsf/CFilterHost.h"
#include "tools/vcsf/CInfoCommand.h"
#include "tools/vcsf/CLiveCommand.h"
#include "tools/vcsf/CLiveOptions.h"
#include "tools/vcsf/CPlayCommand.h"
#include "tools/vcsf/CPlayOptions.h"
#include "tools/vcsf/CProbeCommand.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <io.h>
#include <string>
#include <vector>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kUsage[] =
    L"usage: vcsf config [NAME=VALUE ...]\n"
    L"       vcsf probe [NAME=VALUE ...]\n"
    L"       vcsf live -o FILE|- [-y] [--camera ADDR[:PORT]] [--nic ADDR] [--multicast GROUP:PORT]\n"
    L"                 [--transport udp|http [--ssl] [--user U --password P]]\n"
    L"                 [--timeout MS] [--duration S]\n"
    L"                 [--record DIR [--area normal|alarm] [--stall-recorder S]]\n"
    L"                 [--record-packs FILE] [--json] [NAME=VALUE ...]\n"
    L"       vcsf play DIR -o FILE|- [-y] [--from TIME] [--to TIME] [--speed X]\n"
    L"                 [--area normal|alarm] [--control FILE|-] [--json]\n"
    L"       vcsf info [--check] DIR\n"
    L"       vcsf export [-y] DIR FILE\n"
    L"  -y, --overwrite  replace an existing FILE (live, play, export); without it a\n"
    L"            run refuses one, and FILE is made only when its first byte is ready,\n"
    L"            so a run that fails before it leaves an existing file as it was\n"
    L"  config    set the given properties on a new filter and print every property\n"
    L"            with its value (addresses dotted, ports in host order, dates in UTC)\n"
    L"  probe     set the given properties, start the filter and print the stream\n"
    L"            parameters of the camera's first stream head (resolution, quality,\n"
    L"            frame rate, bit rate, camera clock, status); for example\n"
    L"            vcsf probe VCSF_Address=192.168.0.2 VCSF_NIC=192.168.0.10 VCSF_Port=20000\n"
    L"  live      receive the camera's live program stream and write it to FILE, or\n"
    L"            to standard output with -o - (vcsf live ... -o - | ffplay -); until\n"
    L"            --duration seconds have passed, Ctrl+C, or the stream fails. On stderr:\n"
    L"            the stream parameters when they change, each status with its meaning,\n"
    L"            and a progress line on a terminal; --json prints the events as JSON\n"
    L"            lines instead. --multicast receives from a group (VCSF_ComType=1).\n"
    L"            --transport http receives the camera's live body over HTTP\n"
    L"            (VCSF_ComType=2; the --camera port is then VCSF_TCPPort), over HTTPS\n"
    L"            with --ssl, with the camera's user name and password.\n"
    L"            --record-packs FILE also writes what the recording pin delivers: each\n"
    L"            pack from the first key pack on as its length (32 bits, little-\n"
    L"            endian), its 24-byte head and the pack.\n"
    L"            --record DIR records the recording pin's packs into minute files\n"
    L"            below DIR (one file a minute, DIR\\YYYYMMDD\\HH\\YYYYMMDD-HHMM.vmf,\n"
    L"            UTC), one unit from each key pack to the next, in the play area\n"
    L"            --area (normal by default). Packs that the recorder does not take\n"
    L"            in time are dropped up to the next key pack: each such gap is said\n"
    L"            as it happens, and the run ends with status 1. --stall-recorder S\n"
    L"            holds the recorder's first pack S seconds, as a slow disk would, to\n"
    L"            try that out.\n"
    L"  play      play the units recorded below DIR through the filter and write the\n"
    L"            program stream to FILE, or to standard output with -o -\n"
    L"            (vcsf play rec -o - | ffplay -), at the speed X (0.0625 to 16, 1 by\n"
    L"            default), from TIME to TIME (UTC, as 2026-12-07T17:31:05Z; by default\n"
    L"            the recording's first and last units) in the play area (normal by\n"
    L"            default). Playback starts at the first key unit at or after the\n"
    L"            start and goes on across gaps in the recording. On stderr: the\n"
    L"            stream parameters, each status with its meaning, and a progress line\n"
    L"            with the recorded time being played on a terminal; --json prints the\n"
    L"            events as JSON lines instead. --control reads commands, one a line,\n"
    L"            from FILE or standard input while playing: rate X, seek TIME,\n"
    L"            pause, run, stop (printf 'rate 4\\n' | vcsf play rec -o out.ps\n"
    L"            --control -); each is said with its result, and one that is\n"
    L"            malformed or refused is said and playback goes on\n"
    L"  info      print what the recording folder DIR holds: the earliest and latest\n"
    L"            recorded times, the units and their bytes, and the files that\n"
    L"            could not be read; --check also reads every unit's data and names\n"
    L"            the files whose units fail their checksum\n"
    L"  export    write the units recorded below DIR, in time order, into FILE: the\n"
    L"            camera's program stream as recorded (vcsf export rec out.ps; ffplay\n"
    L"            out.ps); units whose data fail their checksum are left out\n"
    L"exit status: 0 done, 1 the filter refused a value or the stream failed,\n"
    L"             2 bad arguments or no filter\n";

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
    wchar_t text[160];
    _snwprintf(text, 160, L"vcsf: cannot create the filter from %ls (0x%08lX)\n",
               CFilterHost::ModuleBesideProgram().c_str(), static_cast<unsigned long>(hr));
    text[159] = L'\0';
    Write(stderr, text);
    return false;
}

int RunConfig(const std::vector<std::wstring>& assignments)
{
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
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

int RunProbe(const std::vector<std::wstring>& assignments)
{
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
    CProbeCommand probe(filter.Get());
    const int status = probe.Run(assignments);
    Write(stderr, probe.Errors());
    if (status == 0) Write(stdout, L"# filter: " + host.Origin() + L"\n" + probe.Report());
    return status;
}


std::atomic<bool> g_bInterrupted{false};

BOOL WINAPI OnConsoleControl(DWORD)
{
    g_bInterrupted = true;
    return TRUE;
}

// On a terminal the progress line is redrawn in place; elsewhere it is left out.
void ReportStream(const std::wstring& line, bool bProgress)
{
    static const bool bTerminal = _isatty(_fileno(stderr)) != 0;
    if (bProgress && !bTerminal) return;
    if (bTerminal) Write(stderr, L"\r\x1b[K");
    Write(stderr, bProgress ? line : line + L"\n");
}

int RunInfo(const std::vector<std::wstring>& args)
{
    const bool bCheck = !args.empty() && args[0] == L"--check";
    if (args.size() != (bCheck ? 2u : 1u)) {
        Write(stderr, L"usage: vcsf info [--check] DIR\n");
        return 2;
    }
    CInfoCommand info(args.back(), bCheck);
    const int status = info.Run();
    Write(stderr, info.Errors());
    Write(stdout, info.Report());
    return status;
}

int RunExport(std::vector<std::wstring> args)
{
    const auto overwrite = std::find_if(args.begin(), args.end(), [](const std::wstring& a) { return a == L"-y" || a == L"--overwrite"; });
    const bool bOverwrite = overwrite != args.end();
    if (bOverwrite) args.erase(overwrite);
    if (args.size() != 2) {
        Write(stderr, L"usage: vcsf export [-y] DIR FILE\n");
        return 2;
    }
    CExportCommand command(args[0], args[1], bOverwrite);
    const int status = command.Run();
    Write(stderr, command.Errors() + command.Report());
    return status;
}

// "vcsf live" and "vcsf play": a filter of their own, run until the end or Ctrl+C.
template <class Options, class Command>
int RunStream(const std::vector<std::wstring>& args)
{
    Options options;
    if (!options.Parse(args)) {
        Write(stderr, options.Error() + L"\n");
        return 2;
    }
    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    if (!CreateFilter(host, &filter)) return 2;
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
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const bool bKnown = !args.empty() && (args[0] == L"config" || args[0] == L"probe" || args[0] == L"live" || args[0] == L"info" ||
                                          args[0] == L"export" || args[0] == L"play");
    if (!bKnown) {
        const bool bHelp = args.empty() || args[0] == L"--help" || args[0] == L"help";
        Write(bHelp ? stdout : stderr, kUsage);
        return bHelp ? 0 : 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
    const std::vector<std::wstring> assignments(args.begin() + 1, args.end());
    int status = args[0] == L"config"  ? RunConfig(assignments)
                 : args[0] == L"probe" ? RunProbe(assignments)
                 : args[0] == L"info"  ? RunInfo(assignments)
                 : args[0] == L"export" ? RunExport(assignments)
                 : args[0] == L"play"   ? RunStream<CPlayOptions, CPlayCommand>(assignments)
                                       : RunStream<CLiveOptions, CLiveCommand>(assignments);
    CoUninitialize();
    return status;
}
