#include "tools/camera/CAudioEsReader.h"

namespace {

// Kilobits per second by [MPEG-1?][layer I, II, III][index].
constexpr uint16_t kBitRates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
};
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};

}  // namespace

size_t CAudioEsReader::FrameLength(const uint8_t* p, size_t cb, uint32_t* pSampleRate, uint32_t* pSamples)
{
    if (cb < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const int version = p[1] >> 3 & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = 4 - (p[1] >> 1 & 3);
    const int rateIndex = p[2] >> 4;
    const int sampleIndex = p[2] >> 2 & 3;
    if (version == 1 || layer == 4 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3) return 0;
    const bool mpeg1 = version == 3;
    const uint32_t kbps = kBitRates[mpeg1][layer - 1][rateIndex];
    const uint32_t rate = kSampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const uint32_t padding = p[2] >> 1 & 1;
    *pSampleRate = rate;
    if (layer == 1) {
        *pSamples = 384;
        return (12 * kbps * 1000 / rate + padding) * 4;
    }
    const bool half = layer == 3 && !mpeg1;
    *pSamples = half ? 576 : 1152;
    return (half ? 72 : 144) * kbps * 1000 / rate + padding;
}

bool CAudioEsReader::Read(const std::vector<uint8_t>& es, std::string* pError)
{
    m_Frames.clear();
    size_t pos = 0;
    while (pos < es.size()) {
        uint32_t rate = 0, samples = 0;
        const size_t length = FrameLength(es.data() + pos, es.size() - pos, &rate, &samples);
        if (length == 0 || pos + length > es.size()) {
            pos++;  // no frame here: look for the next sync word
            continue;
        }
        if (m_Frames.empty()) m_dwSampleRate = rate, m_dwSamplesPerFrame = samples;
        m_Frames.push_back({pos, length});
        pos += length;
    }
    if (m_Frames.empty()) {
        *pError = "no MPEG audio frame found";
        return false;
    }
    return true;
}
