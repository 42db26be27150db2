#include "tools/vcsf/CPlayOptions.h"

#include <cwchar>

bool CPlayOptions::Fail(const std::wstring& message)
{
    m_error = L"vcsf play: " + message;
    return false;
}

bool CPlayOptions::Parse(const std::vector<std::wstring>& args)
{
    for (size_t i = 0; i < args.size(); i++) {
        const std::wstring& arg = args[i];
        if (arg == L"--json") {
            bJson = true;
        } else if (arg == L"-y" || arg == L"--overwrite") {
            bOverwrite = true;
        } else if (arg.rfind(L"-", 0) != 0) {
            if (!folder.empty()) return Fail(L"one recording folder only: '" + arg + L"' is a second");
            folder = arg;
        } else if (i + 1 >= args.size()) {
            return Fail(arg + L" needs a value");
        } else if (!ParseOption(arg, args[++i])) {
            return false;
        }
    }
    if (folder.empty()) return Fail(L"the recording folder DIR is required");
    if (output.empty()) return Fail(L"-o FILE (or -o - for standard output) is required");
    return true;
}

bool CPlayOptions::ParseOption(const std::wstring& name, const std::wstring& value)
{
    if (name == L"-o" || name == L"--output") {
        output = value;
    } else if (name == L"--from") {
        from = value;
    } else if (name == L"--to") {
        to = value;
    } else if (name == L"--speed") {
        wchar_t* end = nullptr;
        speed = std::wcstod(value.c_str(), &end);
        if (value.empty() || *end != L'\0' || !(speed >= 0.0625 && speed <= 16))
            return Fail(L"--speed takes a factor from 0.0625 to 16");
    } else if (name == L"--control") {
        control = value;
    } else if (name == L"--area") {
        if (value != L"normal" && value != L"alarm") return Fail(L"--area takes normal or alarm");
        assignments.push_back(value == L"alarm" ? L"VCF_PlayArea=2" : L"VCF_PlayArea=1");
    } else {
        return Fail(L"unknown option " + name);
    }
    return true;
}
