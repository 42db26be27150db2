#pragma once
// Recordings made for the tests: units at given times, areas and sizes, with data
// and records that tell each unit apart, written one minute file per minute.

#include "core/CMemoryFileSource.h"
#include "core/CMinuteFilePath.h"
#include "core/CMinuteFileReader.h"
#include "core/CMinuteFileWriter.h"
#include "core/CivilTime.h"
#include "core/IMinuteStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

struct TestUnit {
    uint32_t time;
    uint8_t area = MinuteFile::kAreaNormal;
    uint32_t size = 100;
    uint8_t notKey = 0;
    uint8_t frameRate = 0;  // the code; 3 is 29.97 frames a second
    uint8_t marks = 0;      // bit 1: the split mark
};

inline uint32_t UtcTime(unsigned year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                        unsigned second = 0)
{
    return static_cast<uint32_t>(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

inline MinuteFileRecord TestRecord(const TestUnit& unit)
{
    MinuteFileRecord record;
    record.size = unit.size;
    record.unitType = 3;
    record.notKey = unit.notKey;
    record.flags5 = unit.frameRate;
    record.marks = unit.marks;
    record.unitTime = unit.time;
    record.calendarTime = unit.time;
    record.header = static_cast<uint8_t>(unit.time);
    record.word24 = static_cast<uint16_t>(unit.size);
    record.tail[15] = unit.area;
    return record;
}

inline std::vector<uint8_t> TestData(const TestUnit& unit)
{
    std::vector<uint8_t> data(unit.size);
    for (uint32_t i = 0; i < unit.size; ++i) data[i] = static_cast<uint8_t>(i * 13 + unit.time * 7 + unit.size);
    return data;
}

// Units in ascending time; every minute file is closed unless bCloseLast is false.
inline void WriteRecording(IMinuteStore* pStore, const std::vector<TestUnit>& units, bool bCloseLast = true)
{
    std::unique_ptr<IByteSink> pSink;
    std::unique_ptr<CMinuteFileWriter> pWriter;
    for (const TestUnit& unit : units) {
        const uint32_t minute = CMinuteFilePath::MinuteStart(unit.time);
        if (!pWriter || pWriter->MinuteStart() != minute) {
            if (pWriter) {
                EXPECT_EQ(pWriter->Close(), MinuteFileResult::Ok);
            }
            pSink = pStore->Create(CMinuteFilePath::RelativePath(unit.time));
            ASSERT_TRUE(pSink);
            pWriter = std::make_unique<CMinuteFileWriter>(pSink.get());
            ASSERT_EQ(pWriter->Open(minute), MinuteFileResult::Ok);
        }
        const std::vector<uint8_t> data = TestData(unit);
        ASSERT_EQ(pWriter->AppendUnit(TestRecord(unit), unit.area, data.data(), unit.size), MinuteFileResult::Ok);
    }
    if (pWriter && bCloseLast) {
        EXPECT_EQ(pWriter->Close(), MinuteFileResult::Ok);
    }
}

// A unit every `step` seconds from `first` to `last`, both included.
inline std::vector<TestUnit> UnitsEvery(uint32_t first, uint32_t last, uint32_t step, uint32_t size = 100)
{
    std::vector<TestUnit> units;
    for (uint32_t t = first; t <= last; t += step) units.push_back({t, MinuteFile::kAreaNormal, size});
    return units;
}

// A minute file's bytes, opened for reading.
struct OpenedMinuteFile {
    explicit OpenedMinuteFile(std::vector<uint8_t> file)
        : bytes(std::move(file)), source(bytes.data(), bytes.size()), reader(&source), result(reader.Open())
    {
    }
    std::vector<uint8_t> Data(size_t index)
    {
        std::vector<uint8_t> data(reader.Units()[index].dataSize);
        EXPECT_EQ(reader.ReadUnit(index, data.data(), data.size()), MinuteFileResult::Ok);
        return data;
    }
    std::vector<uint32_t> Times() const
    {
        std::vector<uint32_t> times;
        for (const MinuteFile::UnitFields& unit : reader.Units()) times.push_back(unit.record.unitTime);
        return times;
    }

    std::vector<uint8_t> bytes;
    CMemoryFileSource source;
    CMinuteFileReader reader;
    MinuteFileResult result;
};
