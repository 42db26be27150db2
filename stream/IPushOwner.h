#pragma once
// What a push thread asks of the filter: how long to wait between ticks, delivery
// on the pins, and their end-of-stream.

#include <windows.h>
#include <strmif.h>

#include <cstdint>

class IPushOwner {
public:
    virtual DWORD GetPushInterval(bool bForReader) = 0;
    // True when the sample counts as delivered; *pbTaken, where given, tells whether
    // downstream took it (false too when refused without a try).
    virtual bool DeliverVideo(IMediaSample* pSample, bool* pbTaken) = 0;
    // esType chooses the pin (ESTYPE_VIDEO the main pin, ESTYPE_PSREC the recording pin).
    virtual bool CheckAndDeliver(IMediaSample* pSample, uint32_t esType, bool* pbTaken) = 0;
    // On each pin of esTypes that is connected.
    virtual void SendEndOfStream(uint32_t esTypes) = 0;

protected:
    ~IPushOwner() = default;
};
