// The Winsock facts the UDP receiver is written on, pinned on real Winsock: an overlapped
// WSARecvFrom's routine runs only in the posting thread's alertable waits, in posting order;
// closesocket and CancelIoEx complete each posted receive once, failed and empty; an oversized
// datagram is reported and spills into no other; SIO_GET_INTERFACE_LIST lists loopback.
// Where Wine departs from Microsoft's documentation, the assertions follow the documentation.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "tests/support/CWinsockEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kWaitBoundMs = 10000;  // ends a hang; never a timing assertion
constexpr DWORD kBufferSize = 4096;
constexpr char kUntouched = '\xA5';
constexpr size_t kPosted = 50;

// An overlapped UDP socket bound to 127.0.0.1, on the given port or one the system chooses.
class CLoopbackSocket {
public:
    explicit CLoopbackSocket(uint16_t usPort = 0)
    {
        m_Socket = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
        sockaddr_in addr = Address(usPort);
        int iLen = sizeof(addr);
        if (bind(m_Socket, reinterpret_cast<sockaddr*>(&addr), iLen) == 0 &&
            getsockname(m_Socket, reinterpret_cast<sockaddr*>(&addr), &iLen) == 0)
            m_usPort = ntohs(addr.sin_port);
    }
    ~CLoopbackSocket() { Close(); }

    SOCKET Get() const { return m_Socket; }
    uint16_t Port() const { return m_usPort; }  // 0 when the socket could not be bound
    int Close()
    {
        const int iResult = m_Socket == INVALID_SOCKET ? 0 : closesocket(m_Socket);
        m_Socket = INVALID_SOCKET;
        return iResult;
    }
    bool SendTo(uint16_t usPort, const std::vector<char>& data) const
    {
        const sockaddr_in to = Address(usPort);
        return sendto(m_Socket, data.data(), static_cast<int>(data.size()), 0,
                      reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == static_cast<int>(data.size());
    }

private:
    static sockaddr_in Address(uint16_t usPort)
    {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(usPort);
        return addr;
    }

    SOCKET m_Socket = INVALID_SOCKET;
    uint16_t m_usPort = 0;
};

// Datagram k: n bytes that differ from every other datagram's.
std::vector<char> Datagram(int k, size_t n)
{
    std::vector<char> data(n);
    for (size_t i = 0; i < n; i++) data[i] = static_cast<char>(k * 31 + i);
    return data;
}

// One posted receive. As the receiver's pool block does, it finds itself through the event
// field of its OVERLAPPED, which Winsock leaves to the caller when a completion routine is given.
class CPostedReceive {
public:
    CPostedReceive(int iIndex, DWORD dwSize, std::vector<int>* pCompletions)
        : m_Buffer(dwSize, kUntouched), m_iIndex(iIndex), m_pCompletions(pCompletions)
    {
    }

    // WSA_IO_PENDING when posted; 0 when it completed at once; otherwise the refusal.
    int Post(SOCKET s)
    {
        m_Overlapped = {};
        m_Overlapped.hEvent = reinterpret_cast<HANDLE>(this);
        WSABUF buffer{static_cast<ULONG>(m_Buffer.size()), m_Buffer.data()};
        m_iFromLen = sizeof(m_From);
        if (WSARecvFrom(s, &buffer, 1, nullptr, &m_dwPostFlags, reinterpret_cast<sockaddr*>(&m_From), &m_iFromLen,
                        &m_Overlapped, OnCompleted) == 0)
            return 0;
        return WSAGetLastError();
    }

    bool Holds(const std::vector<char>& data, size_t n) const
    {
        return n <= m_Buffer.size() && std::equal(data.begin(), data.begin() + n, m_Buffer.begin());
    }
    bool Untouched() const
    {
        return std::all_of(m_Buffer.begin(), m_Buffer.end(), [](char c) { return c == kUntouched; });
    }

    WSAOVERLAPPED m_Overlapped{};
    int m_iRuns = 0;
    DWORD m_dwError = 0;
    DWORD m_dwBytes = 0;
    DWORD m_dwFlags = 0;
    DWORD m_dwThreadId = 0;

private:
    static void CALLBACK OnCompleted(DWORD dwError, DWORD dwBytes, LPWSAOVERLAPPED pOverlapped, DWORD dwFlags)
    {
        CPostedReceive* pSelf = reinterpret_cast<CPostedReceive*>(pOverlapped->hEvent);
        pSelf->m_iRuns++;
        pSelf->m_dwError = dwError;
        pSelf->m_dwBytes = dwBytes;
        pSelf->m_dwFlags = dwFlags;
        pSelf->m_dwThreadId = GetCurrentThreadId();
        pSelf->m_pCompletions->push_back(pSelf->m_iIndex);
    }

    std::vector<char> m_Buffer;
    sockaddr_in m_From{};
    INT m_iFromLen = 0;
    DWORD m_dwPostFlags = 0;
    int m_iIndex;
    std::vector<int>* m_pCompletions;
};

class CWinsockBehaviourTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_Receiver.Port(), 0);
        ASSERT_NE(m_Sender.Port(), 0);
    }

    // Every posted receive must have completed before its record goes.
    void TearDown() override
    {
        m_Receiver.Close();
        if (!DrainUntil(m_Posted.size()))
            for (auto& pReceive : m_Posted) pReceive.release();  // still posted: leak, not free
    }

    CPostedReceive& Post(SOCKET s, DWORD dwSize = kBufferSize)
    {
        m_Posted.push_back(std::make_unique<CPostedReceive>(static_cast<int>(m_Posted.size()), dwSize, &m_Completions));
        EXPECT_EQ(m_Posted.back()->Post(s), WSA_IO_PENDING);
        return *m_Posted.back();
    }

    // Alertable waits until n completion routines in all have run; false if none comes in the bound.
    bool DrainUntil(size_t n)
    {
        while (m_Completions.size() < n)
            if (SleepEx(kWaitBoundMs, TRUE) != WAIT_IO_COMPLETION) return false;
        return true;
    }

    CLoopbackSocket m_Receiver;
    CLoopbackSocket m_Sender;
    std::vector<std::unique_ptr<CPostedReceive>> m_Posted;
    std::vector<int> m_Completions;  // the receives' indices in the order their routines ran
};

// Another thread sends the datagram and sees the receive's status change while this thread
// waits, not alertably; the routine then waits for this thread's next alertable wait.
TEST_F(CWinsockBehaviourTest, AReceiveCompletesOnlyInThePostingThreadsAlertableWait)
{
    CPostedReceive& receive = Post(m_Receiver.Get());
    const std::vector<char> datagram = Datagram(1, 100);
    HANDLE hArrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread peer([&] {
        if (!m_Sender.SendTo(m_Receiver.Port(), datagram)) return;
        const ULONGLONG deadline = GetTickCount64() + kWaitBoundMs;
        while (!HasOverlappedIoCompleted(&receive.m_Overlapped) && GetTickCount64() < deadline) SwitchToThread();
        if (HasOverlappedIoCompleted(&receive.m_Overlapped)) SetEvent(hArrived);
    });
    const DWORD dwWait = WaitForSingleObject(hArrived, kWaitBoundMs);
    peer.join();
    CloseHandle(hArrived);
    ASSERT_EQ(dwWait, WAIT_OBJECT_0);
    EXPECT_EQ(receive.m_iRuns, 0);

    EXPECT_EQ(SleepEx(kWaitBoundMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(receive.m_iRuns, 1);
    EXPECT_EQ(receive.m_dwThreadId, GetCurrentThreadId());
    EXPECT_EQ(receive.m_dwError, 0u);
    EXPECT_EQ(receive.m_dwBytes, datagram.size());
    EXPECT_TRUE(receive.Holds(datagram, datagram.size()));
}

TEST_F(CWinsockBehaviourTest, FiftyPostedReceivesCompleteInArrivalOrder)
{
    for (size_t k = 0; k < kPosted; k++) Post(m_Receiver.Get());
    for (size_t k = 0; k < kPosted; k++) ASSERT_TRUE(m_Sender.SendTo(m_Receiver.Port(), Datagram(k, 100 + k)));
    ASSERT_TRUE(DrainUntil(kPosted));

    for (size_t k = 0; k < kPosted; k++) {
        EXPECT_EQ(m_Completions[k], static_cast<int>(k));
        const CPostedReceive& receive = *m_Posted[k];
        EXPECT_EQ(receive.m_dwError, 0u) << "receive " << k;
        EXPECT_EQ(receive.m_dwBytes, 100 + k) << "receive " << k;
        EXPECT_TRUE(receive.Holds(Datagram(k, 100 + k), 100 + k)) << "receive " << k;
    }
}

// Microsoft documents WSA_OPERATION_ABORTED (995) for the receives that closesocket cancels;
// Wine 8.0 gives WSAEINVAL (10022). The receiver must take any failure with no bytes as the end.
TEST_F(CWinsockBehaviourTest, CloseSocketCompletesEveryPostedReceiveOnceAndWritesNoBuffer)
{
    for (size_t k = 0; k < kPosted; k++) Post(m_Receiver.Get());
    const uint16_t usOldPort = m_Receiver.Port();
    ASSERT_EQ(m_Receiver.Close(), 0);
    ASSERT_TRUE(DrainUntil(kPosted));
    for (const auto& pReceive : m_Posted) {
        EXPECT_EQ(pReceive->m_iRuns, 1);
        EXPECT_NE(pReceive->m_dwError, 0u);
        EXPECT_EQ(pReceive->m_dwBytes, 0u);
    }

    // Datagrams to the old port reach a new socket there, and none of the old buffers.
    CLoopbackSocket successor(usOldPort);
    ASSERT_EQ(successor.Port(), usOldPort);
    CPostedReceive& witness = Post(successor.Get());
    const std::vector<char> datagram = Datagram(7, 100);
    ASSERT_TRUE(m_Sender.SendTo(usOldPort, datagram));
    ASSERT_TRUE(DrainUntil(kPosted + 1));
    EXPECT_TRUE(witness.Holds(datagram, datagram.size()));
    for (size_t k = 0; k < kPosted; k++) {
        EXPECT_EQ(m_Posted[k]->m_iRuns, 1) << "receive " << k;
        EXPECT_TRUE(m_Posted[k]->Untouched()) << "receive " << k;
    }
}

// Cancelled from another thread, as a stopping filter would; the routines still run here.
TEST_F(CWinsockBehaviourTest, CancelIoExCompletesPostedReceivesWithOperationAborted)
{
    for (size_t k = 0; k < kPosted; k++) Post(m_Receiver.Get());
    BOOL bCancelled = FALSE;
    std::thread stopper([&] { bCancelled = CancelIoEx(reinterpret_cast<HANDLE>(m_Receiver.Get()), nullptr); });
    stopper.join();
    ASSERT_TRUE(bCancelled);
    ASSERT_TRUE(DrainUntil(kPosted));
    for (const auto& pReceive : m_Posted) {
        EXPECT_EQ(pReceive->m_iRuns, 1);
        EXPECT_EQ(pReceive->m_dwError, static_cast<DWORD>(WSA_OPERATION_ABORTED));
        EXPECT_EQ(pReceive->m_dwBytes, 0u);
        EXPECT_EQ(pReceive->m_dwThreadId, GetCurrentThreadId());
        EXPECT_TRUE(pReceive->Untouched());
    }
}

// Microsoft documents WSAEMSGSIZE (10040) for UDP, the excess lost (MSG_PARTIAL only where a
// protocol keeps the rest), and the buffer filled; Wine 8.0 gives 10040, 64 bytes, flags 0.
// The completion routine's page says an error brings zero bytes: the receiver drops on the error.
TEST_F(CWinsockBehaviourTest, ADatagramLongerThanItsBufferIsReportedAndDoesNotSpill)
{
    constexpr DWORD kSmall = 64;
    CPostedReceive& first = Post(m_Receiver.Get(), kSmall);
    CPostedReceive& second = Post(m_Receiver.Get(), kSmall);
    const std::vector<char> oversized = Datagram(1, 100);
    const std::vector<char> next = Datagram(2, 32);
    ASSERT_TRUE(m_Sender.SendTo(m_Receiver.Port(), oversized));
    ASSERT_TRUE(m_Sender.SendTo(m_Receiver.Port(), next));
    ASSERT_TRUE(DrainUntil(2));

    EXPECT_TRUE(first.m_dwError == WSAEMSGSIZE || (first.m_dwFlags & MSG_PARTIAL) != 0);
    EXPECT_EQ(first.m_dwBytes, kSmall);
    EXPECT_TRUE(first.Holds(oversized, kSmall));

    EXPECT_EQ(second.m_dwError, 0u);
    EXPECT_EQ(second.m_dwFlags & MSG_PARTIAL, 0u);
    EXPECT_EQ(second.m_dwBytes, next.size());
    EXPECT_TRUE(second.Holds(next, next.size()));
}

// Wine 8.0 flags loopback IFF_UP | IFF_LOOPBACK only, without IFF_MULTICAST.
TEST(CInterfaceListTest, ListsLoopbackWithItsClassAMask)
{
    CLoopbackSocket scratch;
    INTERFACE_INFO list[32];
    DWORD dwBytes = 0;
    ASSERT_EQ(WSAIoctl(scratch.Get(), SIO_GET_INTERFACE_LIST, nullptr, 0, list, sizeof(list), &dwBytes, nullptr, nullptr), 0)
        << WSAGetLastError();
    const INTERFACE_INFO* pLoopback = nullptr;
    for (DWORD i = 0; i < dwBytes / sizeof(INTERFACE_INFO); i++) {
        if (list[i].iiAddress.AddressIn.sin_addr.s_addr == htonl(INADDR_LOOPBACK)) pLoopback = &list[i];
    }
    ASSERT_NE(pLoopback, nullptr);
    EXPECT_EQ(pLoopback->iiNetmask.AddressIn.sin_addr.s_addr, htonl(0xFF000000));
    EXPECT_NE(pLoopback->iiFlags & IFF_LOOPBACK, 0u);
    EXPECT_NE(pLoopback->iiFlags & IFF_UP, 0u);
}

}  // namespace
