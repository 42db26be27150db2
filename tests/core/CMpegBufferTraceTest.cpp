// The ring buffer's lines that carry behaviour, as the trace log shows them: the
// overflow and "no data" are messages (level 1); the rest is level 0 and never written.

#include "core/CMpegBuffer.h"

#include "tests/core/CTraceCaptureScope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CMpegBufferTraceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(result, CMpegBuffer::kOk); }

    CTraceCaptureScope trace;
    int32_t result = 1;
    CMpegBuffer buffer{4096, &result};
    std::vector<uint8_t> bytes = std::vector<uint8_t>(4096, 0x5A);
};

TEST_F(CMpegBufferTraceTest, AnOverflowIsTracedAsAMessage)
{
    ASSERT_EQ(buffer.Write(bytes.data(), 4000), 0);
    const size_t before = trace.LineCount();
    EXPECT_EQ(buffer.Write(bytes.data(), 97), CMpegBuffer::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CMpegBuffer::Buffer overflow!!!"));
    EXPECT_EQ(trace.LineCount(), before + 1);
}

TEST_F(CMpegBufferTraceTest, NoDataIsTracedAsAMessage)
{
    buffer.SetReadySize(1);
    ASSERT_EQ(buffer.Write(bytes.data(), 10), 0);
    const uint8_t* pData = nullptr;
    uint32_t length = 0;
    uint8_t reachedEnd = 0;
    ASSERT_EQ(buffer.ReadLock(&pData, 10, &length, &reachedEnd), 0);
    ASSERT_EQ(buffer.ReadEnd(), 0);
    const size_t before = trace.LineCount();
    EXPECT_EQ(buffer.ReadLock(&pData, 0, &length, &reachedEnd), CMpegBuffer::kNoData);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CMpegBuffer: no data!!!"));
    EXPECT_EQ(trace.LineCount(), before + 1);
}

TEST_F(CMpegBufferTraceTest, TheOtherRefusalsAndTheRotationWriteNoLine)
{
    const uint8_t* pData = nullptr;
    uint32_t length = 0;
    uint8_t reachedEnd = 0;
    const size_t before = trace.LineCount();
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);                                      // "ReadEnd: Not locking!!!"
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kNotReady);     // "Buffer size not ready."
    buffer.SetReadySize(1);
    ASSERT_EQ(buffer.Write(bytes.data(), 4000), 0);
    ASSERT_EQ(buffer.ReadLock(&pData, 4000, &length, &reachedEnd), 0);
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kReadLocked);   // "Read locking."
    ASSERT_EQ(buffer.ReadEnd(), 0);
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kShort);        // no message
    EXPECT_EQ(buffer.Write(bytes.data(), 200), 0);                                            // "Buffer will rotate."
    EXPECT_EQ(trace.LineCount(), before);
}

}  // namespace
