#pragma once
// Samples of the recording pin for the assembler's and the recorder's tests: the
// head the filter writes in front of a pack (BuildPackIndexHead), then the pack.

#include "core/CivilTime.h"
#include "core/IndexRecords.h"
#include "tests/core/ProgramStreams.h"

#include <cstdint>
#include <vector>

namespace rec {

inline void SetStamp(STRM_HEAD_INFO& info, uint32_t time)
{
    const CivilDate date = CivilFromDays(time / 86400);
    info.TimeStamp[0] = static_cast<uint8_t>(time % 60);
    info.TimeStamp[1] = static_cast<uint8_t>(time % 3600 / 60);
    info.TimeStamp[2] = static_cast<uint8_t>(time % 86400 / 3600);
    info.TimeStamp[3] = static_cast<uint8_t>(date.day);
    info.TimeStamp[4] = static_cast<uint8_t>(date.month);
    info.TimeStamp[5] = static_cast<uint8_t>(date.year - 1900);
}

// The stream information of a camera sending 720 pixels wide at quality 3, 25 frames.
inline StreamInfoBlock CameraBlock(uint32_t time)
{
    StreamInfoBlock block{};
    block.info.bFlag3 = 1;
    block.info.bParamByte1 = 0x21;
    block.info.bResolution = 2;
    block.info.bQuality = 3;
    block.info.bVideoSystem = 1;
    block.info.usFrameRate = 2;
    block.info.usIndexWord = 0x0101;
    SetStamp(block.info, time);
    return block;
}

inline std::vector<uint8_t> MakeSample(const StreamInfoBlock& block, bool bKey, const std::vector<uint8_t>& pack,
                                       bool bAudioModel = false)
{
    std::vector<uint8_t> sample(kPackIndexHeadSize);
    BuildPackIndexHead(block, bAudioModel, bKey ? 0 : 1, sample.data());
    sample.insert(sample.end(), pack.begin(), pack.end());
    return sample;
}

// A pack of the kind a key or a following pack is, its bytes told apart by seed.
inline std::vector<uint8_t> MakePack(bool bKey, size_t size, uint32_t seed)
{
    return ps::MakePack(bKey ? ps::Kind::Key : seed % 3 ? ps::Kind::Video : ps::Kind::Audio, size, seed);
}

}  // namespace rec
