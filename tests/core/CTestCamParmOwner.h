#pragma once
// The filter's side of the camera parameters, for the native tests: it records the
// events and the first-data calls, and answers as it is told.

#include "core/ICamParmOwner.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CTestCamParmOwner : public ICamParmOwner {
public:
    struct Event {
        int32_t code;
        intptr_t param1;
        intptr_t param2;
    };

    bool IsInGraph() override { return inGraph; }
    int32_t SendGraphEvent(int32_t code, intptr_t param1, intptr_t param2) override
    {
        events.push_back({code, param1, param2});
        return eventResult;
    }
    int32_t CreatePushData() override { return ++pushDataCreated, createResult; }
    int32_t CreatePushPlay() override { return ++pushPlayCreated, createResult; }
    int32_t CreatePushES(uint32_t esTypes, int64_t) override { return pushESTypes = esTypes, createResult; }
    void StopStream(bool bNotify) override
    {
        stops.push_back(bNotify);
        ++stopCount;
    }
    void SetAvgBitRate(uint32_t kbps) override { bitRates.push_back(kbps); }
    void WriteRecording(const uint8_t* pData, uint32_t cb) override { recorded.insert(recorded.end(), pData, pData + cb); }
    double GetRate() override { return rate; }
    bool IsFileMode() override { return fileMode; }
    bool GetLive() override { return live; }
    bool GetRec() override { return rec; }
    uint8_t GetAudioModel() override { return audioModel; }
    bool GetSplitTime(int64_t* pTime) override
    {
        if (!splitPending) return false;
        *pTime = splitTime;
        return true;
    }
    void SetSplitPending(bool bPending) override { splitPending = bPending; }

    bool inGraph = true;
    int32_t eventResult = 0;
    int32_t createResult = 0;
    double rate = 1.0;
    bool fileMode = false;
    bool live = true;
    bool rec = false;
    uint8_t audioModel = 0;
    bool splitPending = false;
    int64_t splitTime = 0;

    std::vector<Event> events;
    std::vector<bool> stops;  // read once the calling thread has ended
    std::atomic<int> stopCount{0};  // watched while it runs
    std::vector<uint32_t> bitRates;
    std::vector<uint8_t> recorded;
    int pushDataCreated = 0;
    int pushPlayCreated = 0;
    uint32_t pushESTypes = 0;
};
