#include "tools/vcsf/CPlayOptions.h"

#include <cwchar>

bool CPlayOptions::Fail(const std::wstring& message)
{
    m_error = L"vcsf play: " + message;
    return false;
}

bool CPlayOptions::Parse(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> items;
    std::wstring error;
    if (!CCommandLine::Split(args, {L"--json", L"-y", L"--overwrite"}, &items, &error)) return Fail(error);
    for (const CCommandLine::Item& item : items) {
        if (!item.IsOperand()) {
            if (!ParseOption(item)) return false;
        } else if (!folder.empty()) {
            return Fail(L"one recording folder only: '" + item.value + L"' is a second");
        } else {
            folder = item.value;
        }
    }
    if (folder.empty()) return Fail(L"the recording folder DIR is required");
    if (output.empty()) return Fail(L"-o FILE (or -o - for standard output) is required");
    return true;
}

bool CPlayOptions::ParseOption(const CCommandLine::Item& item)
{
    const std::wstring& name = item.name;
    const std::wstring& value = item.value;
    if (TakeOutputOption(item)) return true;
    if (name == L"--from") {
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
        assignments.push_back({value == L"alarm" ? L"VCF_PlayArea=2" : L"VCF_PlayArea=1", item.Typed()});
    } else {
        return Fail(L"unknown option " + name + L" (vcsf play --help lists them)");
    }
    return true;
}
