#pragma once
// What the recorded-file reader and the playback push thread ask of the filter:
// its state, the play rate, the restart bookkeeping of a rate or position change,
// the split time, and the quiet of the main pin's quality messages.

#include "stream/IPushOwner.h"

#include <windows.h>

#include <cstdint>

class IPlayOwner : public IPushOwner {
public:
    virtual bool IsStopping() const = 0;
    virtual bool IsPaused() const = 0;
    virtual bool IsFileMode() = 0;
    virtual double GetRate() = 0;
    virtual uint8_t GetAudioModel() = 0;

    virtual bool IsRateRestart() const = 0;
    virtual void SetRateRestart(bool bPending) = 0;
    virtual bool IsPosRestart() const = 0;
    virtual void SetPosRestart(bool bPending) = 0;
    // Where playback starts again: the position of a pending seek, else the play time.
    virtual void GetRestartTime(SYSTEMTIME* pTime) const = 0;
    virtual void SetPlayTime(const SYSTEMTIME& time) = 0;
    virtual void SetPosTime(const SYSTEMTIME& time) = 0;
    // The units to pass over at the start; 0xA003 while there is no file reader.
    virtual int32_t GetIndexOffset(uint32_t* pOffset) const = 0;
    virtual void SetSplitTime(int64_t time) = 0;
    virtual bool IsQualityQuiet() const = 0;
    virtual HRESULT SeekNotify(bool bPosRestart) = 0;

protected:
    ~IPlayOwner() = default;
};
