#pragma once
// An MPEG audio elementary stream (layers I to III) cut into its frames.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AudioFrame {
    size_t offset = 0;
    size_t size = 0;
};

class CAudioEsReader {
public:
    bool Read(const std::vector<uint8_t>& es, std::string* pError);

    const std::vector<AudioFrame>& Frames() const { return m_Frames; }
    // 90 kHz time of the frame at `index`.
    uint64_t FrameTime(uint64_t index) const { return index * m_dwSamplesPerFrame * 90'000 / m_dwSampleRate; }

    // The length of the frame whose header is at p, or 0 when p holds no valid header.
    static size_t FrameLength(const uint8_t* p, size_t cb, uint32_t* pSampleRate, uint32_t* pSamples);

private:
    std::vector<AudioFrame> m_Frames;
    uint32_t m_dwSampleRate = 48000;
    uint32_t m_dwSamplesPerFrame = 1152;
};
