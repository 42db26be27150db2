#pragma once
// What a push thread asks of the filter: how long to wait between ticks, and
// delivery on the main pin.

#include <windows.h>
#include <strmif.h>

class IPushOwner {
public:
    virtual DWORD GetPushInterval(bool bForReader) = 0;
    // True when the sample counts as delivered.
    virtual bool DeliverVideo(IMediaSample* pSample) = 0;

protected:
    ~IPushOwner() = default;
};
