#include "tools/vcsf/CHelpText.h"

namespace {

struct Section {
    const wchar_t* pszName;
    const wchar_t* pszUsage;
    const wchar_t* pszText;
};

const wchar_t kLink[] =
    L"  --camera ADDR[:PORT]  the camera, by address or host name (required); its port\n"
    L"            is the UDP command port, or the TCP port with --transport http\n"
    L"  --nic ADDR   the local address to receive on; by default the one the system's\n"
    L"            routing uses toward the camera\n"
    L"  --multicast GROUP[:PORT]  receive the camera's multicast group (VCSF_ComType=1)\n"
    L"  --transport udp|http  udp by default; http receives the camera's live body\n"
    L"            (VCSF_ComType=2), over HTTPS with --ssl, with --user and --password\n"
    L"  --timeout MS  how long the first packet may take (VCSF_TimeOut, 5000 by default)\n"
    L"  NAME=VALUE  any property, as vcsf config sets it\n";

const Section kSections[] = {
    {L"config", L"vcsf config [NAME=VALUE ...]",
     L"Sets the given properties on a new filter and prints every property with its\n"
     L"value (addresses dotted, ports in host order, dates in UTC).\n"},
    {L"page", L"vcsf page [--screenshot FILE.png] [NAME=VALUE ...]",
     L"Sets the given properties on a new filter and opens its property page, as graph\n"
     L"editors do, on the desktop. Once the frame is closed (OK applies the page, SAVE\n"
     L"saves at once) it prints every property as vcsf config does, so that you see\n"
     L"what the page saved.\n"
     L"  --screenshot FILE.png  picture the frame as soon as the page shows, write the\n"
     L"            picture as a PNG and close the frame without applying\n"},
    {L"probe", L"vcsf probe --camera ADDR[:PORT] [LINK OPTIONS] [NAME=VALUE ...]",
     L"Starts the filter and prints the stream parameters of the camera's first stream\n"
     L"head (resolution, quality, frame rate, bit rate, camera clock, status), then\n"
     L"stops; for example: vcsf probe --camera 192.168.0.2:20000\n"},
    {L"live",
     L"vcsf live --camera ADDR[:PORT] -o FILE|- [-y] [LINK OPTIONS] [--duration S]\n"
     L"                 [--stall-timeout S] [--reconnect] [--record DIR [--area normal|alarm]\n"
     L"                 [--stall-recorder S]] [--record-packs FILE] [--stats] [--json]\n"
     L"                 [NAME=VALUE ...]",
     L"Receives the camera's live program stream and writes it to FILE, or to standard\n"
     L"output with -o - (vcsf live ... -o - | ffplay -), until --duration seconds have\n"
     L"passed, Ctrl+C (or a TERM to scripts/vcsf), or the stream fails. The file ends at\n"
     L"the last complete pack.\n"
     L"On standard error: the stream parameters when they change, each status with its\n"
     L"meaning, a line when no data have come from the camera for 3 s and another when\n"
     L"they come back, and a progress line on a terminal. With --json every line on\n"
     L"standard error is a JSON object instead, with a progress event each second.\n"
     L"  --stall-timeout S  end with status 1 after S seconds without data\n"
     L"  --reconnect  heal a broken camera link instead of ending: after a stall (5 s, or\n"
     L"            --stall-timeout S), a closed or failed HTTP body or a stopped multicast\n"
     L"            stream the filter starts new sessions, waiting 0.5 s doubling to 30 s\n"
     L"            between attempts; the file goes on after the gap. Each attempt is said\n"
     L"            as status 0x9010, and status 0x0000 once data flow again\n"
     L"  --stats   also a line each second with the link's counters since the start (a\n"
     L"            stats event with --json), and the same in the summary at the end:\n"
     L"            datagrams (HTTP: records) received and their bytes, packet-number\n"
     L"            gaps, wrong identifiers, datagrams short or dropped, overflows of the\n"
     L"            stream buffer and of the recording, reconnections, the bytes each pin\n"
     L"            delivered, and how long ago the last stream data came\n"
     L"  --record-packs FILE  also write what the recording pin delivers: each pack from\n"
     L"            the first key pack on as its length (32 bits, little-endian), its\n"
     L"            24-byte head and the pack\n"
     L"  --record DIR  record the recording pin's packs into minute files below DIR\n"
     L"            (DIR\\YYYYMMDD\\HH\\YYYYMMDD-HHMM.vmf, UTC), one unit from each key\n"
     L"            pack to the next, in the play area --area (normal by default). Packs\n"
     L"            the recorder does not take in time are dropped up to the next key\n"
     L"            pack: each such gap is said, and the run ends with status 1.\n"
     L"            --stall-recorder S holds the recorder's first pack S seconds, as a\n"
     L"            slow disk would, to try that out.\n"},
    {L"play",
     L"vcsf play DIR -o FILE|- [-y] [--from TIME] [--to TIME] [--speed X]\n"
     L"                 [--area normal|alarm] [--control FILE|-] [--json]",
     L"Plays the units recorded below DIR through the filter and writes the program\n"
     L"stream to FILE, or to standard output with -o - (vcsf play rec -o - | ffplay -),\n"
     L"at the speed X (0.0625 to 16, 1 by default), from TIME to TIME (UTC, as\n"
     L"2026-12-07T17:31:05Z; by default the recording's first and last units) in the\n"
     L"play area (normal by default). Playback starts at the first key unit at or\n"
     L"after the start and goes on across gaps in the recording.\n"
     L"On standard error: the stream parameters, each status with its meaning, and a\n"
     L"progress line with the recorded time being played on a terminal; with --json\n"
     L"every line on standard error is a JSON object instead.\n"
     L"  --control FILE|-  read commands, one a line, from FILE or standard input while\n"
     L"            playing: rate X, seek TIME, pause, run, stop (printf 'rate 4\\n' |\n"
     L"            vcsf play rec -o out.ps --control -); each is said with its result,\n"
     L"            and one that is malformed or refused is said and playback goes on\n"},
    {L"info", L"vcsf info [--check] DIR",
     L"Prints what the recording folder DIR holds: the earliest and latest recorded\n"
     L"times, the units and their bytes, and the files that could not be read; --check\n"
     L"also reads every unit's data and names the files whose units fail their checksum.\n"},
    {L"export", L"vcsf export [-y] DIR FILE|-",
     L"Writes the units recorded below DIR, in time order, into FILE or to standard\n"
     L"output: the camera's program stream as recorded (vcsf export rec out.ps; ffplay\n"
     L"out.ps); units whose data fail their checksum are left out.\n"},
};

const wchar_t kCommon[] =
    L"Options take their value as --name VALUE or --name=VALUE.\n"
    L"  -y, --overwrite  replace an existing FILE; without it a run refuses one, and\n"
    L"            FILE is made only when its first byte is ready, so a run that fails\n"
    L"            before it leaves an existing file as it was\n"
    L"exit status: 0 done; 1 the stream failed, the filter refused a value, or data\n"
    L"             could not be read or written; 2 bad arguments (an existing FILE\n"
    L"             without -y among them) or no filter\n";

bool HasLinkOptions(const Section& s) { return std::wstring(s.pszUsage).find(L"LINK OPTIONS") != std::wstring::npos; }

}  // namespace

std::wstring CHelpText::Overview()
{
    std::wstring text = L"usage:";
    for (const Section& s : kSections) text += std::wstring(L" ") + s.pszUsage + L"\n      ";
    text += L" vcsf --version\n       vcsf SUBCOMMAND --help\nLINK OPTIONS:\n";
    return text + kLink + kCommon;
}

std::wstring CHelpText::For(const std::wstring& subcommand)
{
    for (const Section& s : kSections) {
        if (subcommand != s.pszName) continue;
        std::wstring text = std::wstring(L"usage: ") + s.pszUsage + L"\n" + s.pszText;
        if (HasLinkOptions(s)) text += std::wstring(L"LINK OPTIONS:\n") + kLink;
        return text + kCommon;
    }
    return L"";
}
