#pragma once
// Recorded playback through the filter in a real graph: minute files on disk,
// read through the minute-file library, out of the main pin into a real renderer.

#include "camera/FilterSettings.h"
#include "core/PlayUnitInfo.h"
#include "minvault/CWinMinuteStore.h"
#include "playback/PlayTime.h"
#include "tests/core/MinuteRecordings.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CTempFolder.h"

#include <cwchar>
#include <vector>

inline const uint32_t kDay = UtcTime(2026, 12, 7, 17, 30, 40);

inline std::vector<TestUnit> Units(uint32_t first, uint32_t count, uint32_t size = 3000)
{
    std::vector<TestUnit> units;
    for (uint32_t n = 0; n < count; n++) units.push_back({first + n, MinuteFile::kAreaNormal, size + n * 17, 0, 3});
    return units;
}

inline std::vector<uint8_t> Bytes(const std::vector<TestUnit>& units)
{
    std::vector<uint8_t> bytes;
    for (const TestUnit& unit : units) {
        const std::vector<uint8_t> data = TestData(unit);
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    return bytes;
}

class PlaybackTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        JoinGraph();
    }

    void Record(const std::vector<TestUnit>& units)
    {
        CWinMinuteStore store(folder.Path());
        WriteRecording(&store, units);
    }

    void SetDate(REFGUID id, uint32_t time)
    {
        SYSTEMTIME date = SystemTimeOf(time);
        VARIANT v = {};
        v.byref = &date;
        ASSERT_EQ(Set(id, v), S_OK);
    }

    void PlayFromFolder()
    {
        VARIANT v = {};
        v.uiVal = COMTYPE_FILE;
        ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
        wchar_t path[260] = {};
        wcsncpy(path, folder.Path().c_str(), 259);
        v.byref = path;
        ASSERT_EQ(Set(VCF_PlayPath, v), S_OK);
    }

    // Plays the folder from start to end into a renderer that keeps every sample
    // unless told otherwise.
    void Play(uint32_t start, uint32_t end, bool bKeep = true)
    {
        PlayFromFolder();
        VARIANT v = {};
        v.bVal = MinuteFile::kAreaNormal;
        ASSERT_EQ(Set(VCF_PlayArea, v), S_OK);
        SetDate(VCF_PlayDateStart, start);
        SetDate(VCF_PlayDateTop, start);
        SetDate(VCF_PlayDateEnd, end);
        ConnectSink();
        if (bKeep) sink->KeepSamples();
        ASSERT_HRESULT_SUCCEEDED(control->Run());
    }

    // The bytes of the samples kept, from the first'th on.
    std::vector<uint8_t> Played(size_t first = 0)
    {
        std::vector<uint8_t> bytes;
        const std::vector<CTestSink::KeptSample> kept = sink->Kept();
        for (size_t n = first; n < kept.size(); n++)
            bytes.insert(bytes.end(), kept[n].buffer.begin(), kept[n].buffer.begin() + kept[n].actual);
        return bytes;
    }

    CTempFolder folder{L"vcsf-play"};
};
