#pragma once
// Builds a program stream in the camera's layout from MPEG-2 video and optional
// MPEG audio: every GOP opens with a 14-byte pack header, a 48-byte system header
// and a video PES that starts with the sequence header; no pack exceeds 2048 bytes.
// Time stamps follow frame order at the stream's frame rate; the SCRs and the mux
// rate follow the bytes at the stream's average rate.

#include "tools/camera/CAudioEsReader.h"
#include "tools/camera/CVideoEsReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CProgramStreamBuilder {
public:
    static constexpr size_t kMaxPack = 2048;
    static constexpr size_t kPackHeader = 14;
    static constexpr size_t kSystemHeader = 48;

    // `audio` may be empty.
    bool Build(const std::vector<uint8_t>& video, const std::vector<uint8_t>& audio, std::string* pError);
    const std::vector<uint8_t>& Output() const { return m_Out; }

private:
    void AddVideoUnit(const std::vector<uint8_t>& video, const VideoAccessUnit& unit, uint64_t pts, uint64_t dts);
    void AddAudioFrames(const std::vector<uint8_t>& audio, size_t* pNext);
    void AddPack(uint8_t streamId, bool bSystemHeader, const uint8_t* p, size_t cb, const uint64_t* pPts,
                 const uint64_t* pDts);
    void WriteSystemHeader();
    void WritePesHeader(uint8_t streamId, size_t cbPayload, const uint64_t* pPts, const uint64_t* pDts);
    void SetClockReferences(uint64_t duration);

    std::vector<uint8_t> m_Out;
    std::vector<size_t> m_PackOffsets;
    std::vector<size_t> m_SystemHeaderOffsets;
    CVideoEsReader m_Video;
    CAudioEsReader m_Audio;
};
