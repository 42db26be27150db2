// The HTTP block buffer keeps its valid bytes inside its array.

#include "core/CHTTPBuffer.h"

#include <gtest/gtest.h>

namespace {

TEST(CHTTPBufferTest, OffsetAndLengthStayInsideTheArray)
{
    int32_t result = -1;
    CHTTPBuffer buffer(100, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(buffer.SetDataOffset(100), -1);
    EXPECT_EQ(buffer.SetDataOffset(40), 0);
    EXPECT_EQ(buffer.SetLength(61), -1);
    EXPECT_EQ(buffer.SetLength(60), 0);
    EXPECT_EQ(buffer.GetValidData(), buffer.GetData() + 40);
    EXPECT_EQ(buffer.SetDataOffset(41), -1);  // would push the length past the end
    EXPECT_EQ(buffer.GetValidData(), buffer.GetData() + 40);
    buffer.Clear();
    EXPECT_EQ(buffer.GetLength(), 0u);
    EXPECT_EQ(buffer.GetValidData(), buffer.GetData());
    EXPECT_EQ(buffer.SetLength(100), 0);
}

}  // namespace
