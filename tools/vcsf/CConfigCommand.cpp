#include "tools/vcsf/CConfigCommand.h"

#include "DShowFilters/CPropertyText.h"

#include <cstdio>
#include <vfwmsgs.h>

namespace {

// Why the filter refuses a well-formed value, in its user's words.
std::wstring RefusalReason(const PropertyInfo& info, HRESULT hr)
{
    if (hr == VFW_E_NOT_STOPPED) return L"the filter is not stopped";
    if (hr == E_NOTIMPL) return L"the property is read-only";
    if (hr == E_POINTER) return L"no value given";
    if (hr != E_INVALIDARG) return L"the filter refused it";
    switch (info.check) {
    case PropertyCheck::HostAddress: return L"the first octet must be below 224";
    case PropertyCheck::MulticastAddress: return L"a multicast group must be in 224.0.0.0 to 239.255.255.255";
    case PropertyCheck::Port: return L"ports up to 1024, 4000 to 5000, 10000, 10001, 34341 and 38214 are reserved";
    case PropertyCheck::TimeOut: return L"the time-out must be below 30000 ms";
    case PropertyCheck::None: break;
    }
    return L"the value is out of range";
}

std::wstring ResultText(HRESULT hr)
{
    const wchar_t* name = hr == E_INVALIDARG        ? L"E_INVALIDARG, "
                          : hr == E_NOTIMPL         ? L"E_NOTIMPL, "
                          : hr == E_POINTER         ? L"E_POINTER, "
                          : hr == E_FAIL            ? L"E_FAIL, "
                          : hr == VFW_E_NOT_STOPPED ? L"VFW_E_NOT_STOPPED, "
                                                    : L"";
    wchar_t text[48];
    _snwprintf(text, 48, L"%ls0x%08lX", name, static_cast<unsigned long>(hr));
    text[47] = L'\0';
    return text;
}

}  // namespace

bool CConfigCommand::Apply(const std::vector<Assignment>& assignments)
{
    bool ok = true;
    for (const Assignment& assignment : assignments) ok = ApplyOne(assignment) && ok;
    return ok;
}

bool CConfigCommand::ApplyOne(const Assignment& assignment)
{
    const size_t eq = assignment.text.find(L'=');
    if (eq == std::wstring::npos) {
        m_errors += m_command + L": '" + assignment.text + L"' is not NAME=VALUE\n";
        m_bMalformed = true;
        return false;
    }
    const std::wstring name = assignment.text.substr(0, eq), text = assignment.text.substr(eq + 1);
    const PropertyInfo* pInfo = CPropertyText::Find(name);
    if (!pInfo) {
        m_errors += m_command + L": there is no property '" + name + L"'\n";
        m_bMalformed = true;
        return false;
    }
    CPropertyText parser;
    VARIANT value;
    std::wstring reason;
    if (!parser.Parse(pInfo->form, text, &value, &reason)) {
        Refuse(assignment, L": " + reason);
        m_bMalformed = true;
        return false;
    }
    const HRESULT hr = m_pConfig->SetValue(*pInfo->id, &value);
    if (FAILED(hr)) {
        Refuse(assignment, L" refused by the filter (" + ResultText(hr) + L"): " + RefusalReason(*pInfo, hr));
        return false;
    }
    return true;
}

void CConfigCommand::Refuse(const Assignment& assignment, const std::wstring& why)
{
    m_errors += m_command + L": " + (assignment.typed.empty() ? assignment.text : assignment.typed) + why + L"\n";
}

std::wstring CConfigCommand::Listing()
{
    std::wstring out;
    for (const PropertyInfo& info : kProperties) {
        std::wstring shown = L"(write-only)";
        if (info.access != PropertyAccess::WriteOnly) {
            CPropertyText reader;
            VARIANT value;
            reader.PrepareForGet(info.form, &value);
            const HRESULT hr = m_pConfig->GetValue(*info.id, &value);
            shown = SUCCEEDED(hr) ? CPropertyText::Format(info.form, value) : L"(" + ResultText(hr) + L")";
        }
        std::wstring name = info.name;
        name.resize(22, L' ');
        out += name + shown + L"\n";
    }
    return out;
}

ULONG CConfigCommand::Number(IVLMVCConfigure* pConfig, REFGUID id)
{
    VARIANT value = {};  // a narrower number leaves the upper bytes 0
    return SUCCEEDED(pConfig->GetValue(id, &value)) ? value.ulVal : 0;
}
