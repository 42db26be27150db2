#pragma once
// The filter's side of the camera parameters for the fuzz targets: a graph that
// takes every event, and push threads that are always created.

#include "core/ICamParmOwner.h"

class CFuzzOwner : public ICamParmOwner {
public:
    bool IsInGraph() override { return true; }
    int32_t SendGraphEvent(int32_t, intptr_t, intptr_t) override { return 0; }
    int32_t CreatePushData() override { return 0; }
    int32_t CreatePushPlay() override { return 0; }
    int32_t CreatePushES(uint32_t, int64_t) override { return 0; }
    void StopStream(bool) override {}
    void SetAvgBitRate(uint32_t) override {}
    void WriteRecording(const uint8_t*, uint32_t) override {}
    double GetRate() override { return 1.0; }
    bool IsFileMode() override { return false; }
    bool GetLive() override { return true; }
    bool GetRec() override { return true; }
    uint8_t GetAudioModel() override { return 0; }
    bool GetSplitTime(int64_t*) override { return false; }
    void SetSplitPending(bool) override {}
};
