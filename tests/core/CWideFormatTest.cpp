#include "core/CWideFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

template <typename... Args>
std::wstring Fmt(const wchar_t* format, Args... args)
{
    wchar_t out[128];
    CWideFormat::Print(out, 128, format, args...);
    return out;
}

// Runs in both builds: the same format gives the same characters on Windows and natively.
TEST(CWideFormatTest, IntegerConversionsWithFlagsWidthAndPrecision)
{
    EXPECT_EQ(Fmt(L"%d|%i|%u", -42, 7, 4294967295u), L"-42|7|4294967295");
    EXPECT_EQ(Fmt(L"%x|%X|%08x|%04x", 0xbeefu, 0xbeefu, 0x1234u, 0xabu), L"beef|BEEF|00001234|00ab");
    EXPECT_EQ(Fmt(L"[%5d][%-5d][%05d][%+d][% d]", 42, 42, -42, 42, 42), L"[   42][42   ][-0042][+42][ 42]");
    EXPECT_EQ(Fmt(L"[%.3d][%8.3d][%#x][%#x]", 5, -5, 255u, 0u), L"[005][    -005][0xff][0]");
    EXPECT_EQ(Fmt(L"%ld|%lu", -2147483647L - 1, 4000000000UL), L"-2147483648|4000000000");
    EXPECT_EQ(Fmt(L"%I64d|%lld|%llu", INT64_MIN, 123456789012345LL, UINT64_MAX),
              L"-9223372036854775808|123456789012345|18446744073709551615");
    EXPECT_EQ(Fmt(L"%*d|%-*d|%.*d", 4, 1, 3, 2, 3, 3), L"   1|2  |003");
    EXPECT_EQ(Fmt(L"%02u/%03u %04u", 7u, 9u, 2026u), L"07/009 2026");
}

TEST(CWideFormatTest, StringsCharactersPointersAndPercent)
{
    EXPECT_EQ(Fmt(L"%s=%hs", L"ワイド", "narrow"), L"ワイド=narrow");
    EXPECT_EQ(Fmt(L"[%6s][%-6s][%.2s]", L"ab", L"ab", L"abcdef"), L"[    ab][ab    ][ab]");
    EXPECT_EQ(Fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)");
    EXPECT_EQ(Fmt(L"%c%c", L'x', L'語'), L"x語");
    EXPECT_EQ(Fmt(L"%p", reinterpret_cast<void*>(uintptr_t{0x12ab})),
              std::wstring(sizeof(void*) * 2 - 4, L'0') + L"12AB");
    EXPECT_EQ(Fmt(L"100%%"), L"100%");
}

TEST(CWideFormatTest, FloatingPointAsANumber)
{
    EXPECT_EQ(Fmt(L"%lf|%f|%.2f|%8.3lf", 1.5, -0.25, 2.0 / 3, 3.14159), L"1.500000|-0.250000|0.67|   3.142");
}

// An unknown conversion is shown as written and consumes no argument; %n writes nothing.
TEST(CWideFormatTest, UnknownConversionsAreShownAndTakeNoArgument)
{
    EXPECT_EQ(Fmt(L"%q %d", 5), L"%q 5");
    EXPECT_EQ(Fmt(L"a%nb %d", 6), L"a%nb 6");
    EXPECT_EQ(Fmt(L"end%"), L"end%");
}

TEST(CWideFormatTest, LongTextIsCutAndTerminatedAndTheFullLengthReported)
{
    wchar_t out[8];
    for (wchar_t& c : out) c = L'#';
    EXPECT_EQ(CWideFormat::Print(out, 8, L"%s-%d", L"abcdef", 12345), 12u);
    EXPECT_EQ(std::wstring(out), L"abcdef-");

    wchar_t one[1] = {L'#'};
    EXPECT_EQ(CWideFormat::Print(one, 1, L"xyz"), 3u);
    EXPECT_EQ(one[0], L'\0');

    wchar_t wide[16];
    EXPECT_EQ(CWideFormat::Print(wide, 16, L"%1000d", 1), 1000u);
    EXPECT_EQ(std::wstring(wide), std::wstring(15, L' '));
}

}  // namespace
