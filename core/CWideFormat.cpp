#include "core/CWideFormat.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

class Output {
public:
    Output(wchar_t* out, size_t capacity) : m_pOut(out), m_nCapacity(capacity) {}
    ~Output() { m_pOut[m_nLength < m_nCapacity ? m_nLength : m_nCapacity - 1] = L'\0'; }

    void Put(wchar_t c)
    {
        if (m_nLength + 1 < m_nCapacity) m_pOut[m_nLength] = c;
        m_nLength++;
    }
    void Repeat(wchar_t c, size_t count)
    {
        while (count--) Put(c);
    }
    size_t Length() const { return m_nLength; }

private:
    wchar_t* m_pOut;
    size_t m_nCapacity;
    size_t m_nLength = 0;
};

enum class Size { Int, Char, Short, Long, LongLong, SizeT, IntMax, LongDouble };

struct Spec {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;
    Size size = Size::Int;
    wchar_t conv = 0;
};

int ReadNumber(const wchar_t*& p)
{
    int n = 0;
    while (*p >= L'0' && *p <= L'9' && n < 100000) n = n * 10 + (*p++ - L'0');
    while (*p >= L'0' && *p <= L'9') p++;
    return n;
}

void ReadFlags(const wchar_t*& p, Spec& s)
{
    for (;; p++) {
        switch (*p) {
        case L'-': s.left = true; break;
        case L'+': s.plus = true; break;
        case L' ': s.space = true; break;
        case L'#': s.alt = true; break;
        case L'0': s.zero = true; break;
        default: return;
        }
    }
}

void ReadSize(const wchar_t*& p, Spec& s)
{
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') { s.size = Size::LongLong; p += 3; }
    else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') { s.size = Size::Int; p += 3; }
    else if (p[0] == L'l' && p[1] == L'l') { s.size = Size::LongLong; p += 2; }
    else if (p[0] == L'h' && p[1] == L'h') { s.size = Size::Char; p += 2; }
    else if (*p == L'l') { s.size = Size::Long; p++; }
    else if (*p == L'h') { s.size = Size::Short; p++; }
    else if (*p == L'I' || *p == L'z' || *p == L't') { s.size = Size::SizeT; p++; }
    else if (*p == L'j') { s.size = Size::IntMax; p++; }
    else if (*p == L'L') { s.size = Size::LongDouble; p++; }
}

// Parses one conversion after its '%'; star widths and precisions come from args.
Spec ReadSpec(const wchar_t*& p, va_list& args)
{
    Spec s;
    ReadFlags(p, s);
    if (*p == L'*') {
        s.width = va_arg(args, int);
        if (s.width < 0) { s.left = true; s.width = -s.width; }
        p++;
    } else {
        s.width = ReadNumber(p);
    }
    if (*p == L'.') {
        p++;
        if (*p == L'*') { s.precision = va_arg(args, int); p++; }
        else s.precision = ReadNumber(p);
    }
    ReadSize(p, s);
    s.conv = *p;
    if (*p) p++;
    return s;
}

int64_t SignedArg(const Spec& s, va_list& args)
{
    switch (s.size) {
    case Size::Char: return static_cast<signed char>(va_arg(args, int));
    case Size::Short: return static_cast<short>(va_arg(args, int));
    case Size::Long: return va_arg(args, long);
    case Size::LongLong: return va_arg(args, long long);
    case Size::SizeT: return va_arg(args, ptrdiff_t);
    case Size::IntMax: return va_arg(args, intmax_t);
    default: return va_arg(args, int);
    }
}

uint64_t UnsignedArg(const Spec& s, va_list& args)
{
    switch (s.size) {
    case Size::Char: return static_cast<unsigned char>(va_arg(args, unsigned));
    case Size::Short: return static_cast<unsigned short>(va_arg(args, unsigned));
    case Size::Long: return va_arg(args, unsigned long);
    case Size::LongLong: return va_arg(args, unsigned long long);
    case Size::SizeT: return va_arg(args, size_t);
    case Size::IntMax: return va_arg(args, uintmax_t);
    default: return va_arg(args, unsigned);
    }
}

void PutPadded(Output& out, const Spec& s, const wchar_t* prefix, size_t prefixLength,
               const wchar_t* body, size_t bodyLength, size_t zeros)
{
    const size_t used = prefixLength + zeros + bodyLength;
    const size_t pad = static_cast<size_t>(s.width) > used ? s.width - used : 0;
    if (!s.left) out.Repeat(L' ', pad);
    for (size_t i = 0; i < prefixLength; i++) out.Put(prefix[i]);
    out.Repeat(L'0', zeros);
    for (size_t i = 0; i < bodyLength; i++) out.Put(body[i]);
    if (s.left) out.Repeat(L' ', pad);
}

void PutInteger(Output& out, Spec s, uint64_t magnitude, bool negative, unsigned base, bool upper)
{
    const wchar_t* digitSet = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t digits[24];
    size_t n = 0;
    for (uint64_t v = magnitude; v != 0; v /= base) digits[sizeof(digits) / sizeof(*digits) - 1 - n++] = digitSet[v % base];
    const wchar_t* body = digits + sizeof(digits) / sizeof(*digits) - n;

    wchar_t prefix[2];
    size_t prefixLength = 0;
    if (negative) prefix[prefixLength++] = L'-';
    else if (s.plus && base == 10) prefix[prefixLength++] = L'+';
    else if (s.space && base == 10) prefix[prefixLength++] = L' ';
    if (s.alt && base == 16 && magnitude != 0) { prefix[0] = L'0'; prefix[1] = upper ? L'X' : L'x'; prefixLength = 2; }

    size_t minDigits = s.precision >= 0 ? static_cast<size_t>(s.precision) : 1;
    size_t zeros = minDigits > n ? minDigits - n : 0;
    if (s.zero && !s.left && s.precision < 0) {
        const size_t used = prefixLength + zeros + n;
        if (static_cast<size_t>(s.width) > used) zeros += s.width - used;
    }
    PutPadded(out, s, prefix, prefixLength, body, n, zeros);
}

void PutWideString(Output& out, const Spec& s, const wchar_t* text)
{
    if (!text) text = L"(null)";
    size_t n = 0;
    while (text[n] && (s.precision < 0 || n < static_cast<size_t>(s.precision))) n++;
    PutPadded(out, s, nullptr, 0, text, n, 0);
}

// A narrow string is widened byte by byte: the callers' narrow texts are ASCII.
void PutNarrowString(Output& out, const Spec& s, const char* text)
{
    if (!text) text = "(null)";
    size_t n = 0;
    while (text[n] && (s.precision < 0 || n < static_cast<size_t>(s.precision))) n++;
    const size_t pad = static_cast<size_t>(s.width) > n ? s.width - n : 0;
    if (!s.left) out.Repeat(L' ', pad);
    for (size_t i = 0; i < n; i++) out.Put(static_cast<unsigned char>(text[i]));
    if (s.left) out.Repeat(L' ', pad);
}

void PutFloating(Output& out, const Spec& s, va_list& args)
{
    const double value = s.size == Size::LongDouble ? static_cast<double>(va_arg(args, long double))
                                                    : va_arg(args, double);
    char spec[12];
    char* p = spec;
    *p++ = '%';
    if (s.left) *p++ = '-';
    if (s.plus) *p++ = '+';
    if (s.space) *p++ = ' ';
    if (s.alt) *p++ = '#';
    if (s.zero) *p++ = '0';
    *p++ = '*';
    *p++ = '.';
    *p++ = '*';
    *p++ = static_cast<char>(s.conv);
    *p = '\0';
    char text[128];
    const int n = std::snprintf(text, sizeof(text), spec, s.width, s.precision < 0 ? 6 : s.precision, value);
    for (int i = 0; i < n && i < static_cast<int>(sizeof(text)) - 1; i++) out.Put(static_cast<unsigned char>(text[i]));
}

void PutConversion(Output& out, const Spec& s, va_list& args, const wchar_t* start, const wchar_t* end)
{
    switch (s.conv) {
    case L'd':
    case L'i': {
        const int64_t v = SignedArg(s, args);
        PutInteger(out, s, v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v), v < 0, 10, false);
        break;
    }
    case L'u': PutInteger(out, s, UnsignedArg(s, args), false, 10, false); break;
    case L'x': PutInteger(out, s, UnsignedArg(s, args), false, 16, false); break;
    case L'X': PutInteger(out, s, UnsignedArg(s, args), false, 16, true); break;
    case L'o': PutInteger(out, s, UnsignedArg(s, args), false, 8, false); break;
    case L'p': {
        Spec p;
        p.precision = static_cast<int>(sizeof(void*) * 2);
        p.width = s.width;
        p.left = s.left;
        PutInteger(out, p, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 16, true);
        break;
    }
    case L'c': {
        const wchar_t c = static_cast<wchar_t>(va_arg(args, int));
        PutPadded(out, s, nullptr, 0, &c, 1, 0);
        break;
    }
    case L's':
        if (s.size == Size::Short) PutNarrowString(out, s, va_arg(args, const char*));
        else PutWideString(out, s, va_arg(args, const wchar_t*));
        break;
    case L'S': PutNarrowString(out, s, va_arg(args, const char*)); break;
    case L'f':
    case L'F':
    case L'e':
    case L'E':
    case L'g':
    case L'G': PutFloating(out, s, args); break;
    case L'%': out.Put(L'%'); break;
    default:  // unknown or %n: shown as written, and no argument is touched
        for (const wchar_t* q = start; q < end; q++) out.Put(*q);
        break;
    }
}

}  // namespace

size_t CWideFormat::Format(wchar_t* out, size_t capacity, const wchar_t* format, va_list args)
{
    Output output(out, capacity);
    va_list ap;
    va_copy(ap, args);
    for (const wchar_t* p = format ? format : L""; *p;) {
        if (*p != L'%') {
            output.Put(*p++);
            continue;
        }
        const wchar_t* start = p++;
        const Spec spec = ReadSpec(p, ap);
        PutConversion(output, spec, ap, start, p);
    }
    va_end(ap);
    return output.Length();
}

size_t CWideFormat::Print(wchar_t* out, size_t capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const size_t n = Format(out, capacity, format, args);
    va_end(args);
    return n;
}
