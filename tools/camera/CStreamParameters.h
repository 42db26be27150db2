#pragma once
// The stream parameters a camera announces in its response head and in every
// first stream head, from the command line where given and from the stream itself.

#include "core/CameraHeads.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CStreamSource.h"

#include <cstdint>
#include <ctime>

class CStreamParameters {
public:
    CStreamParameters(const CCameraOptions& options, const StreamFacts& facts);

    // A first head with the parameters, the MAC address and the time stamp of
    // `sendTime` (UTC); the cutter fills in type, numbers and lengths.
    FirstStreamHead FirstHead(const uint8_t mac[6], std::time_t sendTime) const;
    ResponseHead Response(uint16_t usStatus) const;
    MulticastStopHead MulticastStop(uint16_t usStatus) const;

    // Bits per second: --rate, else the stream's own (its clock references, else its
    // mux rate), else the bit-rate byte's.
    uint64_t SendRate() const { return m_qwRate; }

    // The camera's frame-rate code (0: 5, 1: 10, 2: 15, 3: 30 or 25, 4: 60 or 50
    // frames per second) and video system flag of an MPEG frame_rate_code.
    static uint8_t CameraFrameRateCode(uint8_t mpegCode);
    static uint8_t VideoSystem(uint8_t mpegCode);

private:
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint8_t m_bQuality;
    uint8_t m_bVideoSystem;
    uint8_t m_bFrameRateCode;
    uint8_t m_bBitRateByte;
    uint64_t m_qwRate;
};
