#include "DShowFilters/CPropertyText.h"

#include "core/ByteOrder.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

std::wstring Printf(const wchar_t* format, ...)
{
    wchar_t buffer[64];
    va_list args;
    va_start(args, format);
    _vsnwprintf(buffer, 64, format, args);
    va_end(args);
    buffer[63] = L'\0';
    return buffer;
}

// Whole decimal (or 0x hexadecimal) number within max; nothing else on the line.
bool ParseUnsigned(const std::wstring& text, unsigned long long max, unsigned long long* out)
{
    if (text.empty() || text[0] == L'-' || text[0] == L'+') return false;
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long n = std::wcstoull(text.c_str(), &end, 0);
    if (errno || *end != L'\0' || n > max) return false;
    *out = n;
    return true;
}

bool ParseAddress(const std::wstring& text, uint32_t* out)
{
    unsigned a, b, c, d;
    wchar_t tail;
    if (std::swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &tail) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    *out = IPv4NetworkOrder(a, b, c, d);
    return true;
}

bool ParseFlag(const std::wstring& text, VARIANT_BOOL* out)
{
    for (const wchar_t* yes : {L"true", L"1", L"yes", L"on"})
        if (_wcsicmp(text.c_str(), yes) == 0) return *out = VARIANT_TRUE, true;
    for (const wchar_t* no : {L"false", L"0", L"no", L"off"})
        if (_wcsicmp(text.c_str(), no) == 0) return *out = VARIANT_FALSE, true;
    return false;
}

// "2026-12-06T19:30:15Z", with optional milliseconds and zone mark; a space may stand
// for the T. "now" is the present time.
bool ParseDate(const std::wstring& text, SYSTEMTIME* out)
{
    if (_wcsicmp(text.c_str(), L"now") == 0) {
        GetSystemTime(out);
        return true;
    }
    unsigned y, mo, d, h, mi, s, ms = 0;
    wchar_t sep;
    int used = 0;
    if (std::swscanf(text.c_str(), L"%4u-%2u-%2u%lc%2u:%2u:%2u%n", &y, &mo, &d, &sep, &h, &mi, &s, &used) != 7)
        return false;
    std::wstring rest = text.substr(used);
    if (!rest.empty() && rest[0] == L'.') {
        int usedMs = 0;
        if (std::swscanf(rest.c_str(), L".%3u%n", &ms, &usedMs) != 1 || usedMs != 4) return false;
        rest = rest.substr(usedMs);
    }
    if (!rest.empty() && rest != L"Z") return false;
    if ((sep != L'T' && sep != L' ') || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return false;
    *out = {static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
            static_cast<WORD>(mi), static_cast<WORD>(s), static_cast<WORD>(ms)};
    return true;
}

std::wstring FormatDate(const SYSTEMTIME& t)
{
    return Printf(L"%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                  t.wMilliseconds);
}

std::wstring FormatText(const WCHAR* text, size_t capacity) { return std::wstring(text, wcsnlen(text, capacity)); }

}  // namespace

std::wstring CPropertyText::Format(PropertyForm form, const VARIANT& v)
{
    switch (form) {
    case PropertyForm::Address: {
        const auto* b = reinterpret_cast<const BYTE*>(&v.ulVal);
        return Printf(L"%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    }
    case PropertyForm::Port: return Printf(L"%u", NetToHost16(v.uiVal));
    case PropertyForm::Flag: return v.boolVal == VARIANT_TRUE ? L"true" : L"false";
    case PropertyForm::Number16: return Printf(L"%u", v.uiVal);
    case PropertyForm::Number32: return Printf(L"%lu", v.ulVal);
    case PropertyForm::Handle: return Printf(L"0x%llx", v.ullVal);
    case PropertyForm::Double: return Printf(L"%g", v.dblVal);
    case PropertyForm::Byte: return Printf(L"%u", v.bVal);
    case PropertyForm::Text16: return FormatText(static_cast<const WCHAR*>(v.byref), 16);
    case PropertyForm::Text260: return FormatText(static_cast<const WCHAR*>(v.byref), 260);
    case PropertyForm::Date: return FormatDate(*static_cast<const SYSTEMTIME*>(v.byref));
    }
    return L"?";
}

void CPropertyText::PrepareForGet(PropertyForm form, VARIANT* value)
{
    std::memset(value, 0, sizeof(*value));
    if (form == PropertyForm::Text16 || form == PropertyForm::Text260) value->byref = m_text;
    if (form == PropertyForm::Date) value->byref = &m_date;
}

bool CPropertyText::ParseText(const std::wstring& text, size_t capacity, VARIANT* value, std::wstring* reason)
{
    if (text.size() >= capacity) {
        *reason = Printf(L"longer than %u characters", static_cast<unsigned>(capacity - 1));
        return false;
    }
    std::memset(m_text, 0, sizeof(m_text));
    std::wmemcpy(m_text, text.c_str(), text.size());
    value->byref = m_text;
    return true;
}

bool CPropertyText::Parse(PropertyForm form, const std::wstring& text, VARIANT* value, std::wstring* reason)
{
    std::memset(value, 0, sizeof(*value));
    unsigned long long n = 0;
    wchar_t* end = nullptr;
    switch (form) {
    case PropertyForm::Address: {
        uint32_t address = 0;
        if (!ParseAddress(text, &address)) {
            *reason = L"not a dotted IPv4 address";
            return false;
        }
        value->ulVal = address;
        return true;
    }
    case PropertyForm::Port:
        if (!ParseUnsigned(text, 65535, &n)) break;
        value->uiVal = HostToNet16(static_cast<uint16_t>(n));
        return true;
    case PropertyForm::Flag:
        if (ParseFlag(text, &value->boolVal)) return true;
        *reason = L"not true or false";
        return false;
    case PropertyForm::Number16:
        if (!ParseUnsigned(text, 0xFFFF, &n)) break;
        value->uiVal = static_cast<USHORT>(n);
        return true;
    case PropertyForm::Number32:
        if (!ParseUnsigned(text, 0xFFFFFFFF, &n)) break;
        value->ulVal = static_cast<ULONG>(n);
        return true;
    case PropertyForm::Handle:
        if (!ParseUnsigned(text, ~0ULL, &n)) break;
        value->ullVal = n;
        return true;
    case PropertyForm::Byte:
        if (!ParseUnsigned(text, 0xFF, &n)) break;
        value->bVal = static_cast<BYTE>(n);
        return true;
    case PropertyForm::Double:
        value->dblVal = std::wcstod(text.c_str(), &end);
        if (!text.empty() && *end == L'\0') return true;
        *reason = L"not a number";
        return false;
    case PropertyForm::Text16: return ParseText(text, 16, value, reason);
    case PropertyForm::Text260: return ParseText(text, 260, value, reason);
    case PropertyForm::Date:
        value->byref = &m_date;
        if (ParseDate(text, &m_date)) return true;
        *reason = L"not a date and time like 2026-12-06T19:30:00Z";
        return false;
    }
    *reason = L"not a whole number in range";
    return false;
}

const PropertyInfo* CPropertyText::Find(const std::wstring& name)
{
    for (const PropertyInfo& info : kProperties)
        if (_wcsicmp(info.name, name.c_str()) == 0) return &info;
    return nullptr;
}
