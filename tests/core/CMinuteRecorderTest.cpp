#include "core/CMinuteRecorder.h"
#include "core/CPackUnitAssembler.h"
#include "tests/core/CMemoryMinuteStore.h"
#include "tests/core/MinuteRecordings.h"
#include "tests/core/RecordingSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace MinuteFile;
using Outcome = CMinuteRecorder::Outcome;
using Tail = CMinuteFileReader::Tail;

namespace {

constexpr uint32_t kMinute31 = 1796664660;  // 2026-12-07 17:31 UTC
constexpr uint32_t kMinute32 = kMinute31 + 60, kMinute33 = kMinute31 + 120;
const std::string kPath31 = "20261207/17/20261207-1731.vmf";
const std::string kPath32 = "20261207/17/20261207-1732.vmf";
const std::string kPath33 = "20261207/17/20261207-1733.vmf";

using ReadBack = OpenedMinuteFile;

// Every step may only append to the files already in the store.
struct Rig {
    Outcome Add(uint32_t time, uint32_t size = 100, uint8_t area = kAreaNormal)
    {
        const std::vector<uint8_t> data = TestData({time, area, size});
        const auto before = store.files;
        const Outcome outcome = recorder.Append(TestRecord({time, area, size}), area, data.data(), size);
        ExpectOnlyAppended(before);
        return outcome;
    }
    bool Close()
    {
        const auto before = store.files;
        const bool bClosed = recorder.Close();
        ExpectOnlyAppended(before);
        return bClosed;
    }
    void ExpectOnlyAppended(const std::map<std::string, std::vector<uint8_t>>& before)
    {
        for (const auto& [path, bytes] : before) {
            const std::vector<uint8_t>& now = store.files.at(path);
            ASSERT_GE(now.size(), bytes.size()) << path;
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), now.begin())) << path;
        }
    }
    size_t StoreBytes() const
    {
        size_t total = 0;
        for (const auto& [path, bytes] : store.files) total += bytes.size();
        return total;
    }

    CMemoryMinuteStore store;
    CMinuteRecorder recorder{&store};
};

std::vector<std::string> Paths(const CMemoryMinuteStore& store)
{
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : store.files) paths.push_back(path);
    return paths;
}

TEST(CMinuteRecorderTest, ThreeMinutesOfPacksComeBackFromIndexedFilesNamedByTheirMinutes)
{
    constexpr uint32_t kStart = kMinute31 + 50, kSeconds = 80;  // 17:31:50 to 17:33:09
    CMemoryMinuteStore store;
    CMinuteRecorder recorder(&store);
    CPackUnitAssembler assembler;
    std::vector<std::vector<uint8_t>> unitData(kSeconds);
    std::vector<MinuteFileRecord> records;
    CPackUnitAssembler::Unit done;
    auto record = [&] {
        records.push_back(done.record);
        EXPECT_EQ(recorder.Append(done.record, kAreaNormal, done.data.data(), static_cast<uint32_t>(done.data.size())),
                  Outcome::Written);
    };
    for (uint32_t s = 0; s < kSeconds; ++s) {
        StreamInfoBlock block = rec::CameraBlock(kStart + s);
        block.info.usIndexWord = static_cast<uint16_t>(s);
        for (uint32_t p = 0; p < 4; ++p) {
            const std::vector<uint8_t> pack = rec::MakePack(p == 0, 100 + (s * 37 + p * 211) % 2000, s * 4 + p);
            ps::Append(unitData[s], pack);
            if (assembler.AddPack(rec::MakeSample(block, p == 0, pack).data(), kPackIndexHeadSize + pack.size(), &done))
                record();
        }
    }
    ASSERT_TRUE(assembler.Flush(&done));
    record();
    EXPECT_TRUE(recorder.Close());

    EXPECT_EQ(Paths(store), (std::vector<std::string>{kPath31, kPath32, kPath33}));
    ASSERT_EQ(records.size(), kSeconds);
    uint32_t s = 0;
    for (const auto& [path, firstSecond, count] :
         {std::tuple{kPath31, 50u, 10u}, std::tuple{kPath32, 0u, 60u}, std::tuple{kPath33, 0u, 10u}}) {
        SCOPED_TRACE(path);
        ReadBack file(store.files[path]);
        ASSERT_EQ(file.result, MinuteFileResult::Ok);
        EXPECT_EQ(file.reader.GetTail(), Tail::Indexed);
        ASSERT_EQ(file.reader.Units().size(), count);
        EXPECT_EQ(file.reader.Units()[0].record.unitTime % 60, firstSecond);
        for (size_t i = 0; i < count; ++i, ++s) {
            const UnitFields& unit = file.reader.Units()[i];
            EXPECT_EQ(unit.record, records[s]);
            EXPECT_EQ(unit.record.unitTime, kStart + s);
            EXPECT_EQ(unit.record.word24, s);
            EXPECT_EQ(unit.area, kAreaNormal);
            EXPECT_EQ(file.Data(i), unitData[s]);
        }
    }
    const CMinuteRecorder::Stats& stats = recorder.GetStats();
    EXPECT_EQ(stats.units, kSeconds);
    EXPECT_EQ(stats.files, 3u);
    EXPECT_EQ(stats.unitsDropped, 0u);
    size_t bytes = 0;
    for (const auto& data : unitData) bytes += data.size();
    EXPECT_EQ(stats.bytes, bytes);
}

TEST(CMinuteRecorderTest, UnitsFromAClockThatWentBackAreDroppedUntilItPassesTheLastOne)
{
    Rig rig;
    EXPECT_EQ(rig.Add(kMinute31 + 10), Outcome::Written);
    EXPECT_EQ(rig.Add(kMinute31 + 20), Outcome::Written);
    EXPECT_EQ(rig.Add(kMinute31 - 10), Outcome::ClockWentBack);  // an earlier minute
    EXPECT_EQ(rig.Add(kMinute31 + 15), Outcome::ClockWentBack);  // earlier in the same minute
    EXPECT_EQ(rig.Add(kMinute31 + 20), Outcome::Written);
    EXPECT_EQ(rig.Add(kMinute32 + 5), Outcome::Written);
    EXPECT_TRUE(rig.Close());

    EXPECT_EQ(Paths(rig.store), (std::vector<std::string>{kPath31, kPath32}));
    ReadBack file(rig.store.files[kPath31]);
    EXPECT_EQ(file.reader.GetTail(), Tail::Indexed);
    EXPECT_EQ(file.Times(), (std::vector<uint32_t>{kMinute31 + 10, kMinute31 + 20, kMinute31 + 20}));
    EXPECT_EQ(rig.recorder.GetStats().units, 4u);
    EXPECT_EQ(rig.recorder.GetStats().unitsDropped, 2u);
}

// A recording restarted within its minute, or after a crash tore the last unit,
// goes on in that minute's file: every whole unit comes back, in order, indexed.
TEST(CMinuteRecorderTest, ARecordingRestartedInItsMinuteContinuesTheFileAfterItsLastWholeUnit)
{
    for (bool bTorn : {false, true}) {
        SCOPED_TRACE(bTorn ? "after a torn unit" : "after a closed file");
        CMemoryMinuteStore store;
        WriteRecording(&store, {{kMinute31 + 5}, {kMinute31 + 10}}, !bTorn);
        if (bTorn) {
            const std::vector<uint8_t> torn = TestData({kMinute31 + 20, kAreaNormal, 40});
            store.files[kPath31].insert(store.files[kPath31].end(), torn.begin(), torn.end());
        }
        {
            CMinuteRecorder restarted(&store);
            for (uint32_t time : {kMinute31 + 40, kMinute31 + 50, kMinute32 + 1}) {
                const TestUnit unit{time};
                const std::vector<uint8_t> data = TestData(unit);
                EXPECT_EQ(restarted.Append(TestRecord(unit), kAreaNormal, data.data(), unit.size), Outcome::Written);
            }
        }
        ReadBack file(store.files[kPath31]);
        ASSERT_EQ(file.result, MinuteFileResult::Ok);
        EXPECT_EQ(file.reader.GetTail(), Tail::Indexed);
        const std::vector<uint32_t> times = {kMinute31 + 5, kMinute31 + 10, kMinute31 + 40, kMinute31 + 50};
        ASSERT_EQ(file.Times(), times);
        for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(file.Data(i), TestData({times[i]})) << i;
        EXPECT_EQ(ReadBack(store.files[kPath32]).Times(), std::vector<uint32_t>{kMinute32 + 1});
    }
}

TEST(CMinuteRecorderTest, AMinuteWhoseFileCannotBeCreatedIsGivenUpAndTheNextOneIsRecorded)
{
    for (bool bExists : {true, false}) {
        SCOPED_TRACE(bExists ? "file exists" : "create fails");
        Rig rig;
        const std::vector<uint8_t> foreign = {1, 2, 3};
        if (bExists) rig.store.files[kPath32] = foreign;
        EXPECT_EQ(rig.Add(kMinute31 + 50), Outcome::Written);
        rig.store.bFailCreate = !bExists;
        EXPECT_EQ(rig.Add(kMinute32), Outcome::MinuteUnavailable);
        rig.store.bFailCreate = false;  // not asked again within the minute
        EXPECT_EQ(rig.Add(kMinute32 + 30), Outcome::MinuteUnavailable);
        EXPECT_EQ(rig.Add(kMinute31 + 55), Outcome::ClockWentBack);  // its file is closed already
        EXPECT_EQ(rig.Add(kMinute33 + 1), Outcome::Written);
        EXPECT_TRUE(rig.Close());

        if (bExists) {
            EXPECT_EQ(rig.store.files[kPath32], foreign);
        } else {
            EXPECT_EQ(rig.store.files.count(kPath32), 0u);
        }
        for (const auto& [path, time] : {std::pair{kPath31, kMinute31 + 50}, std::pair{kPath33, kMinute33 + 1}}) {
            ReadBack file(rig.store.files[path]);
            EXPECT_EQ(file.reader.GetTail(), Tail::Indexed) << path;
            EXPECT_EQ(file.Times(), std::vector<uint32_t>{time}) << path;
        }
        EXPECT_EQ(rig.recorder.GetStats().files, 2u);
        EXPECT_EQ(rig.recorder.GetStats().unitsDropped, 3u);
    }
}

TEST(CMinuteRecorderTest, ASinkFailingMidUnitLeavesTheUnitsBeforeItReadable)
{
    // Into the second frame: in its head, its data, its checksum.
    for (size_t into : {size_t{0}, size_t{10}, kFrameHeadSize, kFrameHeadSize + 250, kFrameHeadSize + 500}) {
        SCOPED_TRACE(into);
        Rig rig;
        EXPECT_EQ(rig.Add(kMinute31 + 10, 500), Outcome::Written);
        rig.store.failAfterBytes = rig.StoreBytes() + into;
        EXPECT_EQ(rig.Add(kMinute31 + 20, 500), Outcome::WriteFailed);
        rig.store.failAfterBytes = SIZE_MAX;
        EXPECT_EQ(rig.Add(kMinute31 + 30, 500), Outcome::MinuteUnavailable);
        EXPECT_EQ(rig.Add(kMinute32), Outcome::Written);
        EXPECT_TRUE(rig.Close());

        ReadBack failed(rig.store.files[kPath31]);
        ASSERT_EQ(failed.result, MinuteFileResult::Ok);
        EXPECT_EQ(failed.reader.GetTail(), into < kFrameHeadSize ? Tail::Open : Tail::Torn);
        ASSERT_EQ(failed.Times(), std::vector<uint32_t>{kMinute31 + 10});
        EXPECT_EQ(failed.Data(0), TestData({kMinute31 + 10, kAreaNormal, 500}));
        EXPECT_EQ(ReadBack(rig.store.files[kPath32]).reader.GetTail(), Tail::Indexed);
        EXPECT_EQ(rig.recorder.GetStats().filesFailed, 1u);
        EXPECT_EQ(rig.recorder.GetStats().unitsDropped, 2u);
    }
}

TEST(CMinuteRecorderTest, ASinkFailingAtTheHeaderOrTheIndexCostsOnlyThatFile)
{
    Rig header;
    header.store.failAfterBytes = 0;
    EXPECT_EQ(header.Add(kMinute31), Outcome::WriteFailed);
    header.store.failAfterBytes = SIZE_MAX;
    EXPECT_EQ(header.Add(kMinute31 + 1), Outcome::MinuteUnavailable);
    EXPECT_EQ(header.Add(kMinute32), Outcome::Written);
    EXPECT_EQ(ReadBack(header.store.files[kPath31]).result, MinuteFileResult::TruncatedHeader);

    Rig index;
    EXPECT_EQ(index.Add(kMinute31, 300), Outcome::Written);
    EXPECT_EQ(index.Add(kMinute31 + 1, 200), Outcome::Written);
    index.store.failAfterBytes = index.StoreBytes();
    EXPECT_FALSE(index.Close());
    EXPECT_TRUE(index.Close());  // nothing is open any more
    ReadBack file(index.store.files[kPath31]);
    EXPECT_EQ(file.reader.GetTail(), Tail::Open);
    EXPECT_EQ(file.Times(), (std::vector<uint32_t>{kMinute31, kMinute31 + 1}));
    EXPECT_EQ(index.recorder.GetStats().filesFailed, 1u);
}

TEST(CMinuteRecorderTest, AFullMinuteIsClosedAndTheRestOfItDropped)
{
    Rig rig;
    const uint8_t byte = 0x5A;
    for (uint32_t i = 0; i < kMaxUnits; ++i) {
        const uint32_t time = kMinute31 + i * 60 / kMaxUnits;
        ASSERT_EQ(rig.recorder.Append(TestRecord({time, kAreaAlarm, 1}), kAreaAlarm, &byte, 1), Outcome::Written) << i;
    }
    const std::vector<uint8_t> full = rig.store.files[kPath31];
    ReadBack file(full);
    EXPECT_EQ(file.reader.GetTail(), Tail::Indexed);
    EXPECT_EQ(file.reader.Units().size(), kMaxUnits);

    EXPECT_EQ(rig.Add(kMinute31 + 59), Outcome::MinuteUnavailable);
    EXPECT_EQ(rig.Add(kMinute32), Outcome::Written);
    EXPECT_TRUE(rig.Close());
    EXPECT_EQ(rig.store.files[kPath31], full);
    EXPECT_EQ(rig.recorder.GetStats().units, kMaxUnits + 1);
    EXPECT_EQ(rig.recorder.GetStats().unitsDropped, 1u);
}

TEST(CMinuteRecorderTest, AUnitAFileCannotHoldIsRefusedBeforeAnythingIsCreated)
{
    const std::vector<uint8_t> data(kMaxUnitSize + 1, 0x11);
    struct Case {
        uint32_t recordSize, cb;
        uint8_t area;
        const uint8_t* pData;
    };
    const Case cases[] = {
        {100, 99, kAreaNormal, data.data()},
        {0, 0, kAreaNormal, data.data()},
        {kMaxUnitSize + 1, kMaxUnitSize + 1, kAreaNormal, data.data()},
        {100, 100, 0, data.data()},
        {100, 100, 0x04, data.data()},
        {100, 100, kAreaMask | 0x80, data.data()},
        {100, 100, kAreaNormal, nullptr},
    };
    Rig rig;
    for (const Case& c : cases) {
        MinuteFileRecord record = TestRecord({kMinute31, kAreaNormal, c.recordSize});
        EXPECT_EQ(rig.recorder.Append(record, c.area, c.pData, c.cb), Outcome::Refused);
    }
    EXPECT_TRUE(rig.store.files.empty());
    EXPECT_EQ(rig.recorder.GetStats().unitsDropped, std::size(cases));

    MinuteFileRecord whole = TestRecord({kMinute31, kAreaMask, kMaxUnitSize});
    EXPECT_EQ(rig.recorder.Append(whole, kAreaMask, data.data(), kMaxUnitSize), Outcome::Written);
}

}  // namespace
