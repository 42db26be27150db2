#pragma once
// A way for the camera's stream to come in: UDP (unicast or multicast), HTTP, and
// recorded files. The filter starts the one its communication type chooses and
// stops it again; only one runs at a time.

#include "camera/FilterSettings.h"

#include <windows.h>

class ITransport {
public:
    // S_OK once data may flow. A failure leaves nothing running except where the
    // transport says otherwise (UDP after VFW_E_TIMEOUT: the filter ends it).
    virtual HRESULT Start(const FilterSettings& settings) = 0;
    // Ends reception and every thread of it within the transport's bounds.
    virtual void Stop() = 0;
    // From a start to the stop.
    virtual bool IsActive() = 0;

protected:
    ~ITransport() = default;
};
