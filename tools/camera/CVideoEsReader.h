#pragma once
// An MPEG-2 video elementary stream cut into access units in decode order: each
// unit holds the headers before its picture (sequence, GOP) and the picture.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct VideoAccessUnit {
    size_t offset = 0;
    size_t size = 0;
    bool bGopStart = false;           // a GOP header or a sequence header opens it
    bool bHasSequenceHeader = false;
    uint16_t usTemporalReference = 0;  // display position within its GOP
};

class CVideoEsReader {
public:
    bool Read(const std::vector<uint8_t>& es, std::string* pError);

    const std::vector<VideoAccessUnit>& Units() const { return m_Units; }
    // The first sequence header with its extensions, to repeat where a GOP lacks one.
    const std::vector<uint8_t>& SequenceHeader() const { return m_SequenceHeader; }
    // 90 kHz time of the frame at position `index` in display or decode order.
    uint64_t FrameTime(uint64_t index) const { return index * 90'000 * m_dwRateDen / m_dwRateNum; }

private:
    void OnStartCode(const std::vector<uint8_t>& es, size_t pos, const std::vector<size_t>& starts, size_t i);
    void CloseUnit(size_t end);

    std::vector<VideoAccessUnit> m_Units;
    std::vector<uint8_t> m_SequenceHeader;
    VideoAccessUnit m_Current;
    bool m_bOpen = false;
    bool m_bHasPicture = false;
    uint32_t m_dwRateNum = 30000;
    uint32_t m_dwRateDen = 1001;
};
