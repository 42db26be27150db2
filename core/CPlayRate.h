#pragma once
// The filter's play rate and what the workers derive from it: the rate they run
// at and the wait between two sends. A rate that is not a number or not above 0
// runs as 1.0.

#include <cstdint>

class CPlayRate {
public:
    // What the configuration stores, unchecked.
    void Store(double rate) { m_dRate = rate; }

    // From seeking: with the audio model on, playback keeps real time, except while stopping.
    void Set(double rate, bool bStopping, bool bAudioModel);
    double Get(bool bStopping, bool bAudioModel) const;

    // Milliseconds between sends: the file reader's (before its own 5 ms) or the live push thread's.
    uint32_t PushInterval(bool bForReader) const;

private:
    double m_dRate = 1.0;
};
