// The reads a pull-mode parser makes of a stream that is still arriving: waits
// for bytes close ahead, zeros far ahead, and the end once it is told.

#include "tests/support/CGrowingStream.h"

#include <gtest/gtest.h>
#include <vfwmsgs.h>

#include <thread>
#include <vector>

namespace {

std::vector<BYTE> Bytes(size_t count, BYTE first)
{
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; i++) bytes[i] = static_cast<BYTE>(first + i);
    return bytes;
}

}  // namespace

TEST(CGrowingStreamTest, AReadOfBytesNotYetHereWaitsForThemAndGetsThemWhole)
{
    CGrowingStream stream;
    const std::vector<BYTE> head = Bytes(100, 1), tail = Bytes(100, 101);
    stream.Append(head.data(), head.size());
    std::vector<BYTE> read(150);
    HRESULT hr = E_FAIL;
    std::thread reader([&] { hr = stream.Read(50, 150, read.data()); });
    stream.Append(tail.data(), tail.size());
    reader.join();
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(read, Bytes(150, 51));
    EXPECT_EQ(stream.Length(), CGrowingStream::kOpenLength);
    EXPECT_EQ(stream.Received(), 200);
}

TEST(CGrowingStreamTest, AReadFarBeyondWhatArrivedIsZerosAtOnce)
{
    CGrowingStream stream;
    const std::vector<BYTE> bytes = Bytes(10, 1);
    stream.Append(bytes.data(), bytes.size());
    std::vector<BYTE> read(64, 0xAA);
    EXPECT_EQ(stream.Read(CGrowingStream::kOpenLength - 64, 64, read.data()), S_OK);
    EXPECT_EQ(read, std::vector<BYTE>(64, 0));
}

// After the end a read gives what there is and no more: a waiting one is woken.
TEST(CGrowingStreamTest, TheEndCutsAReadShortAndRefusesOneBeyondIt)
{
    CGrowingStream stream;
    const std::vector<BYTE> bytes = Bytes(10, 1);
    stream.Append(bytes.data(), bytes.size());
    std::vector<BYTE> read(20, 0xAA);
    HRESULT hr = E_FAIL;
    std::thread reader([&] { hr = stream.Read(5, 20, read.data()); });
    stream.End();
    reader.join();
    EXPECT_EQ(hr, S_FALSE);
    std::vector<BYTE> expected = Bytes(5, 6);
    expected.resize(20, 0);
    EXPECT_EQ(read, expected);
    EXPECT_EQ(stream.Length(), 10);
    EXPECT_EQ(stream.Read(10, 4, read.data()), HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
    stream.Append(bytes.data(), bytes.size());
    EXPECT_EQ(stream.Received(), 10);
}

TEST(CGrowingStreamTest, AnInterruptionWakesAWaitingReadWhichFails)
{
    CGrowingStream stream;
    std::vector<BYTE> read(8);
    HRESULT hr = S_OK;
    std::thread reader([&] { hr = stream.Read(0, 8, read.data()); });
    stream.SetInterrupted(true);
    reader.join();
    EXPECT_EQ(hr, VFW_E_WRONG_STATE);
    stream.SetInterrupted(false);
    const std::vector<BYTE> bytes = Bytes(8, 1);
    stream.Append(bytes.data(), bytes.size());
    EXPECT_EQ(stream.Read(0, 8, read.data()), S_OK);
}

TEST(CGrowingStreamTest, ReadsOutsideTheStreamAreRefused)
{
    CGrowingStream stream;
    BYTE byte = 0;
    EXPECT_EQ(stream.Read(-1, 1, &byte), E_INVALIDARG);
    EXPECT_EQ(stream.Read(0, -1, &byte), E_INVALIDARG);
    EXPECT_EQ(stream.Read(CGrowingStream::kOpenLength, 1, &byte), E_INVALIDARG);
    EXPECT_EQ(stream.Read(0, 1, nullptr), E_POINTER);
}
