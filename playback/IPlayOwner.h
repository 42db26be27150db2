#pragma once
// What the recorded-file reader, the playback push thread and the seeking object
// ask of the filter: its state, the play rate, the restart bookkeeping of a rate
// or position change, the split time, and the quiet of the main pin's quality
// messages.
//
// A place in a recording is a unit's time (whole seconds), its ordinal (its place
// among the units of that second, counted from 0 in reading order) and the bytes
// of it delivered already, which a restart does not deliver again.

#include "stream/IPushOwner.h"

#include <windows.h>

#include <cstdint>

struct PlayPlace {
    SYSTEMTIME time = {};
    uint16_t usOrdinal = 0;
    uint32_t dwDelivered = 0;
};

class IPlayOwner : public IPushOwner {
public:
    virtual bool IsStopping() const = 0;
    virtual bool IsPaused() const = 0;
    virtual bool IsStopped() const = 0;
    virtual bool IsFileMode() = 0;
    virtual double GetRate() = 0;
    virtual void SetRate(double rate) = 0;
    virtual uint8_t GetAudioModel() = 0;

    virtual bool IsRateRestart() const = 0;
    virtual void SetRateRestart(bool bPending) = 0;
    virtual bool IsPosRestart() const = 0;
    virtual void SetPosRestart(bool bPending) = 0;
    // Where playback starts again: the position of a pending seek, else the play
    // place, the first unit not wholly delivered.
    virtual void GetRestartTime(PlayPlace* pPlace) const = 0;
    virtual void SetPlayTime(const PlayPlace& place) = 0;
    virtual void SetPosTime(const SYSTEMTIME& time) = 0;
    // A seek to media time from the range's start: a position restart from there is
    // pending. False when nothing changed: that very one was pending already, or,
    // stopped, the graph seeks to where it believes playback stands while the host
    // is about to restart from the filter's own place.
    virtual bool SeekTo(LONGLONG fromStart) = 0;
    // Asks the host to play again (the retry-play event), from the restart pending.
    virtual void RequestRestart() = 0;
    // The units to pass over at the start; 0xA003 while there is no file reader.
    virtual int32_t GetIndexOffset(uint32_t* pOffset) const = 0;
    virtual void SetSplitTime(int64_t time) = 0;
    virtual bool IsQualityQuiet() const = 0;
    virtual HRESULT SeekNotify(bool bPosRestart) = 0;

protected:
    ~IPlayOwner() = default;
};
