#pragma once
// What the reconnector asks of the filter: to end the broken camera session and
// start a new one, the stream going on behind a gap.

#include <windows.h>

class ILinkRestarter {
public:
    // S_OK once data may flow again.
    virtual HRESULT RestartLink() = 0;
    // Cuts short a restart that waits for the camera.
    virtual void AbortRestart() = 0;

protected:
    ~ILinkRestarter() = default;
};
