#pragma once
// printf-style formatting of wide text into a fixed buffer, with the same bytes in
// every build: %s is a wide string (%hs narrow), 64-bit conversions by %I64d or %lld,
// %p as the full-width address in upper-case hex. A text longer than the buffer is cut.

#include <cstdarg>
#include <cstddef>

class CWideFormat {
public:
    // Writes at most capacity characters, terminator included (capacity > 0).
    // Returns the length the whole text would have had, so that a caller sees a cut.
    static size_t Format(wchar_t* out, size_t capacity, const wchar_t* format, va_list args);
    static size_t Print(wchar_t* out, size_t capacity, const wchar_t* format, ...);
};
