#pragma once
// Winsock started for a whole test program: include once, in one source file.

#include <winsock2.h>

#include <gtest/gtest.h>

class CWinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

inline ::testing::Environment* const g_pWinsock = ::testing::AddGlobalTestEnvironment(new CWinsockEnvironment);
