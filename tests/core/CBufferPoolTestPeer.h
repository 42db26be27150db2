#pragma once
// What the receive buffer pool keeps to itself, for the tests that check that every
// buffer went back.

#include "core/CBufferPool.h"

class CBufferPoolTestPeer {
public:
    static uint32_t InUse(CBufferPool& pool) { return pool.InUseCount(); }
};
