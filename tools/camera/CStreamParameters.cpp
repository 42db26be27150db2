#include "tools/camera/CStreamParameters.h"

#include <algorithm>
#include <cstring>

namespace {

// Frames per second of each MPEG-2 frame_rate_code, rounded.
constexpr int kMpegFramesPerSecond[16] = {0, 24, 24, 25, 30, 30, 50, 60, 60, 0, 0, 0, 0, 0, 0, 0};
constexpr uint64_t kDefaultRate = 1'000'000;

uint8_t BitRateByte(uint64_t bitsPerSecond)
{
    const uint64_t hundreds = (bitsPerSecond + 50'000) / 100'000;
    return static_cast<uint8_t>(std::clamp<uint64_t>(hundreds, 1, 63));
}

void SetCommon(CommonHead* common, uint16_t usLength, uint16_t usType)
{
    std::memcpy(common->identifier, kHeadIdentifier, 4);
    common->usHLength = usLength;
    common->usType = usType;
}

}  // namespace

CStreamParameters::CStreamParameters(const CCameraOptions& options, const StreamFacts& facts)
{
    m_usWidth = static_cast<uint16_t>(options.width >= 0 ? options.width : facts.width);
    m_usHeight = static_cast<uint16_t>(options.height >= 0 ? options.height : facts.height);
    m_bQuality = static_cast<uint8_t>(options.quality);
    m_bVideoSystem = VideoSystem(facts.mpegFrameRateCode);
    m_bFrameRateCode = options.frameRateCode >= 0 ? static_cast<uint8_t>(options.frameRateCode)
                                                  : CameraFrameRateCode(facts.mpegFrameRateCode);
    const uint64_t streamRate = facts.averageRateBits ? facts.averageRateBits : facts.muxRateBits;
    m_bBitRateByte = options.bitrateByte >= 0 ? static_cast<uint8_t>(options.bitrateByte)
                                              : BitRateByte(streamRate ? streamRate : kDefaultRate);
    if (options.rate) m_qwRate = options.rate;
    else if (streamRate) m_qwRate = streamRate;
    else m_qwRate = uint64_t{m_bBitRateByte} * 100'000;
}

uint8_t CStreamParameters::CameraFrameRateCode(uint8_t mpegCode)
{
    const int fps = kMpegFramesPerSecond[mpegCode & 0x0F];
    if (fps >= 45) return 4;
    if (fps >= 20 || fps == 0) return 3;
    return fps >= 12 ? 2 : fps >= 7 ? 1 : 0;
}

uint8_t CStreamParameters::VideoSystem(uint8_t mpegCode)
{
    const int fps = kMpegFramesPerSecond[mpegCode & 0x0F];
    return fps == 25 || fps == 50 ? 1 : 0;
}

FirstStreamHead CStreamParameters::FirstHead(const uint8_t mac[6], std::time_t sendTime) const
{
    FirstStreamHead h = {};
    SetCommon(&h.common, FirstStreamHead::kSize, PTYPE_FIRST);
    std::memcpy(h.mac, mac, 6);
    h.ulParamBits = uint32_t{m_bFrameRateCode} << 6;
    h.usWidth = m_usWidth;
    h.usHeight = m_usHeight;
    h.bQuality = m_bQuality;
    h.bVideoSystem = m_bVideoSystem;
    std::tm utc = {};
    gmtime_r(&sendTime, &utc);
    const int stamp[6] = {utc.tm_sec, utc.tm_min, utc.tm_hour, utc.tm_mday, utc.tm_mon + 1, utc.tm_year};
    for (int i = 0; i < 6; i++) h.TimeStamp[i] = static_cast<uint8_t>(stamp[i]);
    h.bBitRate = m_bBitRateByte;
    return h;
}

ResponseHead CStreamParameters::Response(uint16_t usStatus) const
{
    ResponseHead h = {};
    SetCommon(&h.common, ResponseHead::kSize, PTYPE_RES_HEAD);
    h.usFrameRate = m_bFrameRateCode;
    h.usWidth = m_usWidth;
    h.usHeight = m_usHeight;
    h.bQuality = m_bQuality;
    h.bVideoSystem = m_bVideoSystem;
    h.usStatus = usStatus;
    return h;
}

MulticastStopHead CStreamParameters::MulticastStop(uint16_t usStatus) const
{
    MulticastStopHead h = {};
    SetCommon(&h.common, MulticastStopHead::kSize, PTYPE_MC_STOP);
    h.usStatus = usStatus;
    return h;
}
