#include "tools/camera/CProgramStreamBuilder.h"

#include "core/ByteOrder.h"

#include <algorithm>

namespace {

constexpr uint8_t kVideoStream = 0xE0;
constexpr uint8_t kAudioStream = 0xC0;
constexpr size_t kPesHeader = 9;
constexpr size_t kTimeStamp = 5;
// Time stamps start here, so that the first frames' bytes arrive before they are due.
constexpr uint64_t kStartDelay = 45'000;
// Every stream the system header lists: twelve entries make it 48 bytes.
constexpr uint8_t kListedStreams[12] = {0xE0, 0xC0, 0xE1, 0xC1, 0xE2, 0xC2, 0xE3, 0xC3, 0xE4, 0xC4, 0xBD, 0xBF};

void WriteTimeStamp(uint8_t* p, uint8_t prefix, uint64_t t)
{
    p[0] = static_cast<uint8_t>(prefix << 4 | (t >> 30 & 7) << 1 | 1);
    p[1] = static_cast<uint8_t>(t >> 22);
    p[2] = static_cast<uint8_t>((t >> 15 & 0x7F) << 1 | 1);
    p[3] = static_cast<uint8_t>(t >> 7);
    p[4] = static_cast<uint8_t>((t & 0x7F) << 1 | 1);
}

void WritePackHeader(uint8_t* p, uint64_t scr, uint32_t muxRate)
{
    const uint8_t start[4] = {0, 0, 1, 0xBA};
    std::copy(start, start + 4, p);
    p[4] = static_cast<uint8_t>(0x44 | (scr >> 30 & 7) << 3 | (scr >> 28 & 3));
    p[5] = static_cast<uint8_t>(scr >> 20);
    p[6] = static_cast<uint8_t>((scr >> 15 & 0x1F) << 3 | 0x04 | (scr >> 13 & 3));
    p[7] = static_cast<uint8_t>(scr >> 5);
    p[8] = static_cast<uint8_t>((scr & 0x1F) << 3 | 0x04);
    p[9] = 0x01;  // SCR extension 0, marker
    p[10] = static_cast<uint8_t>(muxRate >> 14);
    p[11] = static_cast<uint8_t>(muxRate >> 6);
    p[12] = static_cast<uint8_t>((muxRate & 0x3F) << 2 | 3);
    p[13] = 0xF8;  // no stuffing
}

void WriteRateBound(uint8_t* p, uint32_t rate)
{
    p[0] = static_cast<uint8_t>(0x80 | (rate >> 15 & 0x7F));
    p[1] = static_cast<uint8_t>(rate >> 7);
    p[2] = static_cast<uint8_t>((rate & 0x7F) << 1 | 1);
}

}  // namespace

bool CProgramStreamBuilder::Build(const std::vector<uint8_t>& video, const std::vector<uint8_t>& audio,
                                  std::string* pError)
{
    m_Out.clear();
    m_PackOffsets.clear();
    m_SystemHeaderOffsets.clear();
    if (!m_Video.Read(video, pError)) return false;
    if (!audio.empty() && !m_Audio.Read(audio, pError)) return false;
    uint64_t gopBase = 0;
    size_t nextAudio = 0;
    const std::vector<VideoAccessUnit>& units = m_Video.Units();
    for (size_t i = 0; i < units.size(); i++) {
        if (units[i].bGopStart) gopBase = i;
        const uint64_t dts = kStartDelay + m_Video.FrameTime(i);
        // One frame of delay leaves room for the reordered pictures of a GOP.
        const uint64_t pts = kStartDelay + m_Video.FrameTime(gopBase + units[i].usTemporalReference + 1);
        while (!audio.empty() && nextAudio < m_Audio.Frames().size() &&
               kStartDelay + m_Audio.FrameTime(nextAudio) <= dts)
            AddAudioFrames(audio, &nextAudio);
        AddVideoUnit(video, units[i], pts, dts);
    }
    while (!audio.empty() && nextAudio < m_Audio.Frames().size()) AddAudioFrames(audio, &nextAudio);
    SetClockReferences(m_Video.FrameTime(units.size()));
    const uint8_t end[4] = {0, 0, 1, 0xB9};
    m_Out.insert(m_Out.end(), end, end + 4);
    return true;
}

void CProgramStreamBuilder::AddVideoUnit(const std::vector<uint8_t>& video, const VideoAccessUnit& unit, uint64_t pts,
                                         uint64_t dts)
{
    std::vector<uint8_t> payload;
    if (unit.bGopStart && !unit.bHasSequenceHeader)
        payload = m_Video.SequenceHeader();
    payload.insert(payload.end(), video.begin() + unit.offset, video.begin() + unit.offset + unit.size);
    const bool bBoth = pts != dts;
    size_t pos = 0;
    bool bFirst = true;
    while (pos < payload.size()) {
        const bool bSystem = bFirst && unit.bGopStart;
        const size_t stamps = bFirst ? (bBoth ? 2 : 1) * kTimeStamp : 0;
        const size_t room = kMaxPack - kPackHeader - (bSystem ? kSystemHeader : 0) - kPesHeader - stamps;
        const size_t cb = std::min(room, payload.size() - pos);
        AddPack(kVideoStream, bSystem, payload.data() + pos, cb, bFirst ? &pts : nullptr,
                bFirst && bBoth ? &dts : nullptr);
        pos += cb;
        bFirst = false;
    }
}

// As many whole frames as one pack holds, stamped with the first one's time.
void CProgramStreamBuilder::AddAudioFrames(const std::vector<uint8_t>& audio, size_t* pNext)
{
    const std::vector<AudioFrame>& frames = m_Audio.Frames();
    const size_t room = kMaxPack - kPackHeader - kPesHeader - kTimeStamp;
    const size_t first = *pNext;
    size_t cb = 0;
    while (*pNext < frames.size() && frames[*pNext].offset == frames[first].offset + cb &&
           cb + frames[*pNext].size <= room)
        cb += frames[(*pNext)++].size;
    if (cb == 0) {
        (*pNext)++;  // a frame larger than a pack cannot be carried
        return;
    }
    const uint64_t pts = kStartDelay + m_Audio.FrameTime(first);
    AddPack(kAudioStream, false, audio.data() + frames[first].offset, cb, &pts, nullptr);
}

void CProgramStreamBuilder::AddPack(uint8_t streamId, bool bSystemHeader, const uint8_t* p, size_t cb,
                                    const uint64_t* pPts, const uint64_t* pDts)
{
    m_PackOffsets.push_back(m_Out.size());
    m_Out.resize(m_Out.size() + kPackHeader);  // its clock reference comes once the rate is known
    if (bSystemHeader) WriteSystemHeader();
    WritePesHeader(streamId, cb, pPts, pDts);
    m_Out.insert(m_Out.end(), p, p + cb);
}

void CProgramStreamBuilder::WriteSystemHeader()
{
    m_SystemHeaderOffsets.push_back(m_Out.size());
    const size_t at = m_Out.size();
    m_Out.resize(at + kSystemHeader);
    uint8_t* h = m_Out.data() + at;
    h[0] = 0, h[1] = 0, h[2] = 1, h[3] = 0xBB;
    WriteBE16(h + 4, kSystemHeader - 6);
    // h[6..8]: the rate bound, set with the mux rate
    h[9] = 1 << 2;     // audio bound 1, variable rate, not constrained
    h[10] = 0xE0 | 1;  // audio and video locked, marker, video bound 1
    h[11] = 0x7F;      // no packet-rate restriction
    for (size_t i = 0; i < 12; i++) {
        uint8_t* e = h + 12 + 3 * i;
        const bool video = (kListedStreams[i] & 0xF0) == 0xE0;
        const uint16_t bound = video ? 0x2000 | 232 : 32;  // 232 KiB for video, 4 KiB otherwise
        e[0] = kListedStreams[i];
        WriteBE16(e + 1, static_cast<uint16_t>(0xC000 | bound));
    }
}

void CProgramStreamBuilder::WritePesHeader(uint8_t streamId, size_t cbPayload, const uint64_t* pPts,
                                           const uint64_t* pDts)
{
    const size_t stamps = (pPts ? kTimeStamp : 0) + (pDts ? kTimeStamp : 0);
    const size_t at = m_Out.size();
    m_Out.resize(at + kPesHeader + stamps);
    uint8_t* h = m_Out.data() + at;
    h[0] = 0, h[1] = 0, h[2] = 1, h[3] = streamId;
    WriteBE16(h + 4, static_cast<uint16_t>(3 + stamps + cbPayload));
    h[6] = pPts ? 0x84 : 0x80;  // data aligned where an access unit starts
    h[7] = static_cast<uint8_t>((pPts ? 0x80 : 0) | (pDts ? 0x40 : 0));
    h[8] = static_cast<uint8_t>(stamps);
    if (pPts) WriteTimeStamp(h + 9, pDts ? 3 : 2, *pPts);
    if (pDts) WriteTimeStamp(h + 14, 1, *pDts);
}

void CProgramStreamBuilder::SetClockReferences(uint64_t duration)
{
    const uint64_t bytes = m_Out.size();
    const uint64_t bytesPerSecond = duration ? bytes * 90'000 / duration : bytes;
    const uint32_t muxRate = static_cast<uint32_t>(std::clamp<uint64_t>((bytesPerSecond + 49) / 50, 1, 0x3FFFFF));
    for (size_t offset : m_PackOffsets) {
        const uint64_t scr = uint64_t{offset} * 90'000 / (uint64_t{muxRate} * 50);
        WritePackHeader(m_Out.data() + offset, scr, muxRate);
    }
    for (size_t offset : m_SystemHeaderOffsets) WriteRateBound(m_Out.data() + offset + 6, muxRate);
}
