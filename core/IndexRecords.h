#pragma once
// The records of the live index: the request that opens a packet, the entry that
// tells the reader where the packet lies, and the 24-byte head written in front of
// every pack. Host layout (little-endian), byte for byte.

#include "core/StreamInfoBlock.h"

#include <cstddef>
#include <cstdint>

// The data kind of a program-stream pack.
constexpr uint32_t kIndexKindPack = 4;

struct IndexRequest {
    uint32_t dwDataSize;  // pack bytes that follow the head
    uint32_t dwWord1;     // not used by the live buffer
    uint32_t dwDataKind;
    uint32_t dwHeadSize;  // head bytes written before the data
    uint32_t dwNotKey;    // 0 for a key pack
};
static_assert(sizeof(IndexRequest) == 20);
static_assert(offsetof(IndexRequest, dwDataKind) == 8);
static_assert(offsetof(IndexRequest, dwHeadSize) == 12);
static_assert(offsetof(IndexRequest, dwNotKey) == 16);

struct IndexEntry {
    uint32_t dwDataSize;
    uint32_t dwReserved1;
    uint64_t ullSeq;
    uint32_t dwOffset;  // of the packet's head, from the data area's start (the module is 64-bit)
    uint32_t dwReserved2;
    int64_t llStart;  // 100-ns units
    int64_t llStop;
    uint32_t dwDataKind;
    uint32_t dwHeadSize;
    uint32_t dwNotKey;
    uint32_t dwAfterGap;  // 1 for the key pack that opens the stream again after an overflow
};
static_assert(sizeof(IndexEntry) == 56);
static_assert(offsetof(IndexEntry, ullSeq) == 8);
static_assert(offsetof(IndexEntry, dwOffset) == 16);
static_assert(offsetof(IndexEntry, llStart) == 24);
static_assert(offsetof(IndexEntry, llStop) == 32);
static_assert(offsetof(IndexEntry, dwDataKind) == 40);
static_assert(offsetof(IndexEntry, dwHeadSize) == 44);
static_assert(offsetof(IndexEntry, dwNotKey) == 48);
static_assert(offsetof(IndexEntry, dwAfterGap) == 52);

// An entry of the playback index: the frame's entry, the stream information and
// status the reader gave with it, when it was written and first offered, its state.
struct PlayIndexEntry {
    IndexEntry entry;
    StreamInfoBlock block;  // its status: the frame's (0, 0x0501 end, 0x0601 gap before it, an error)
    uint16_t usOrdinal;     // the frame's place among the recording's units of its second
    uint8_t reserved1[4];
    int64_t llWriteCounter;  // the steady clock when the frame was written
    int64_t llCounterFrequency;
    int64_t llFirstReadCounter;  // when the entry was first offered to the reader
    uint8_t bState;
    uint8_t bStatusSet;  // a status other than 0 was set on the entry
    uint8_t reserved2[6];
};
static_assert(sizeof(PlayIndexEntry) == 168);
static_assert(offsetof(PlayIndexEntry, block) == 56);
static_assert(offsetof(PlayIndexEntry, block) + offsetof(StreamInfoBlock, info.usStatus) == 96);
static_assert(offsetof(PlayIndexEntry, llWriteCounter) == 136);
static_assert(offsetof(PlayIndexEntry, llCounterFrequency) == 144);
static_assert(offsetof(PlayIndexEntry, llFirstReadCounter) == 152);
static_assert(offsetof(PlayIndexEntry, bState) == 160);
static_assert(offsetof(PlayIndexEntry, bStatusSet) == 161);

// A playback entry's states.
constexpr uint8_t kPlayEntryEmpty = 0, kPlayEntryWritten = 1, kPlayEntryRead = 2;

// The layout of the head in front of each pack; BuildPackIndexHead writes its bytes.
struct PackIndexHead {
    uint8_t bType;  // always 2
    uint8_t bFlag3;
    uint8_t bParamByte1;
    uint8_t bModel;  // bit 0: audio model; bit 1: flag 1 or flag 2 set
    uint8_t TimeStamp[6];
    uint16_t usIndexWord;
    uint8_t bFlag24;
    uint8_t bResolution;
    uint8_t bQuality;
    uint8_t bVideoSystem;
    uint16_t usFrameRate;
    uint16_t usReserved;
    uint32_t dwNotKey;
};
static_assert(sizeof(PackIndexHead) == 24);
static_assert(offsetof(PackIndexHead, bModel) == 3);
static_assert(offsetof(PackIndexHead, TimeStamp) == 4);
static_assert(offsetof(PackIndexHead, usIndexWord) == 10);
static_assert(offsetof(PackIndexHead, bFlag24) == 12);
static_assert(offsetof(PackIndexHead, bVideoSystem) == 15);
static_assert(offsetof(PackIndexHead, usFrameRate) == 16);
static_assert(offsetof(PackIndexHead, usReserved) == 18);
static_assert(offsetof(PackIndexHead, dwNotKey) == 20);

constexpr uint32_t kPackIndexHeadSize = sizeof(PackIndexHead);

// Bytes 0 to 19 of a pack head, the stream information of the block; bytes 20 to 23
// are left as they are.
void WriteStreamInfo(const StreamInfoBlock& block, bool bAudioModel, uint8_t* pHead);
// The whole head in front of a pack.
void BuildPackIndexHead(const StreamInfoBlock& block, bool bAudioModel, uint32_t notKey,
                        uint8_t head[kPackIndexHeadSize]);
