// The filter in the system's filter graph against vcsf-camera, a separate process
// on loopback started by with-camera.sh. Each test runs against a camera of its own,
// started with the arguments that tests/integration/CMakeLists.txt gives it.

#include "camera/CNetReceiver.h"
#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "core/CParsePacket.h"
#include "core/IndexRecords.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CLoopbackTcpPort.h"
#include "tests/support/CTraceFileSession.h"
#include "tests/support/ProcessResources.h"

#include <psapi.h>
#include <vfwmsgs.h>
#include <wininet.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {


unsigned long NumberFromEnvironment(const wchar_t* pszName, unsigned long ulDefault)
{
    wchar_t text[16] = {};
    if (!GetEnvironmentVariableW(pszName, text, 16)) return ulDefault;
    return std::wcstoul(text, nullptr, 10);
}

// A camera's port from with-camera.sh: VCSF_CAMERA_PORT, or its --env name's.
uint16_t CameraPort(const wchar_t* pszName = L"VCSF_CAMERA_PORT")
{
    return static_cast<uint16_t>(NumberFromEnvironment(pszName, 0));
}

// Waits until the camera's log has a line that begins with `prefix`, and gives it.
bool WaitForCameraLogLine(const std::string& prefix, std::string* pLine = nullptr)
{
    char path[MAX_PATH] = "Z:";
    if (!GetEnvironmentVariableA("VCSF_CAMERA_LOG", path + 2, MAX_PATH - 2)) return false;
    return WaitUntil([&] {
        std::ifstream log(path);
        for (std::string line; std::getline(log, line);) {
            if (line.compare(0, prefix.size(), prefix) != 0) continue;
            if (pLine) *pLine = line;
            return true;
        }
        return false;
    });
}

// The camera's request lines in order, each without its peer: "live-start auth=ok".
std::vector<std::string> CameraRequests()
{
    char path[MAX_PATH] = "Z:";
    std::vector<std::string> requests;
    if (!GetEnvironmentVariableA("VCSF_CAMERA_LOG", path + 2, MAX_PATH - 2)) return requests;
    std::ifstream log(path);
    for (std::string line; std::getline(log, line);)
        if (line.rfind("request ", 0) == 0) requests.push_back(line.substr(8, line.find(" from ") - 8));
    return requests;
}

// The values appear in `seen` in this order, others between them.
bool InOrder(const std::vector<uint16_t>& seen, std::initializer_list<uint16_t> values)
{
    auto at = seen.begin();
    for (uint16_t value : values) {
        at = std::find(at, seen.end(), value);
        if (at == seen.end()) return false;
        ++at;
    }
    return true;
}

// What a person at the camera's console would do: tell it to stop the multicast.
void SendStopRequest(uint16_t port)
{
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char request[4] = {0x00, 0x04, 0x70, 0x02};
    EXPECT_EQ(sendto(s, request, sizeof(request), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)), 4);
    closesocket(s);
    WSACleanup();
}

class CameraIntegrationTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        JoinGraph();
        ConnectSink();
        Configure(VCSF_Address, IPv4NetworkOrder(127, 0, 0, 1));
        Configure(VCSF_NIC, IPv4NetworkOrder(127, 0, 0, 1));
        Configure(VCSF_TimeOut, 10000);
    }

    void Configure(REFGUID id, ULONG value)
    {
        VARIANT v = {};
        v.ulVal = value;
        ASSERT_EQ(Set(id, v), S_OK);
    }

    void UseUnicastCamera()
    {
        const uint16_t port = CameraPort();
        ASSERT_NE(port, 0) << "run through with-camera.sh";
        VARIANT v = {};
        v.uiVal = HostToNet16(port);
        ASSERT_EQ(Set(VCSF_Port, v), S_OK);
    }

    void UseMulticastCamera(uint32_t group, uint16_t port)
    {
        VARIANT v = {};
        v.uiVal = 1;
        ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
        Configure(VCSF_MCAddress, group);
        v.uiVal = HostToNet16(port);
        ASSERT_EQ(Set(VCSF_MulticastPort, v), S_OK);
    }

    void SetReconnect()
    {
        VARIANT on = {};
        on.boolVal = VARIANT_TRUE;
        ASSERT_EQ(Set(VCSF_Reconnect, on), S_OK);
    }

    // What a host hears of a link: each status notified as it changes, and aborts.
    struct LinkEvents {
        std::vector<uint16_t> statuses;
        bool bAborted = false;
    };

    template <class Done>
    bool WaitHearing(LinkEvents* pHeard, Done done)
    {
        return WaitForEventWhere([&](long code, LONG_PTR p1, LONG_PTR p2) {
            pHeard->bAborted |= code == kEventErrorAbort;
            if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock)) {
                const uint16_t usStatus = reinterpret_cast<const StreamInfoBlock*>(p1)->info.usStatus;
                if (pHeard->statuses.empty() || pHeard->statuses.back() != usStatus) pHeard->statuses.push_back(usStatus);
            }
            return done();
        });
    }

    VCSF_STATISTICS Statistics()
    {
        ComPtr<IVCSFStatistics> statistics;
        VCSF_STATISTICS s = {};
        s.cbSize = sizeof(s);
        EXPECT_HRESULT_SUCCEEDED(filter.As(&statistics));
        if (statistics) {
            EXPECT_EQ(statistics->GetStatistics(&s), S_OK);
        }
        return s;
    }

    static size_t FirstGap(const std::vector<CTestSink::KeptSample>& kept)
    {
        return static_cast<size_t>(
            std::find_if(kept.begin(), kept.end(), [](const auto& k) { return k.bDiscontinuity; }) - kept.begin());
    }

    // The main pin's first sample after a reconnection opens with a pack and its system header.
    void ExpectANewStreamAfterTheGap()
    {
        const std::vector<CTestSink::KeptSample> main = sink->Kept();
        const size_t gap = FirstGap(main);
        ASSERT_LT(gap, main.size());
        ASSERT_GE(main[gap].actual, 20);
        const uint8_t* pAfter = main[gap].buffer.data();
        EXPECT_EQ(ReadBE32(pAfter), 0x000001BAu);
        EXPECT_EQ(ReadBE32(pAfter + 14 + (pAfter[13] & 7)), 0x000001BBu);
    }

    void StreamGoesOnThroughFaults()
    {
        UseUnicastCamera();
        ASSERT_EQ(control->Pause(), S_OK);
        EXPECT_TRUE(WaitForDelivered(200000));
        EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusOk);
        StopWithinBound();
    }

};

TEST_F(CameraIntegrationTest, UnicastBringsTheCamerasParametersAndItsStreamFromAPackWithASystemHeader)
{
    UseUnicastCamera();
    ASSERT_EQ(control->Pause(), S_OK);
    LONG_PTR p1 = 0;
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo, &p1));
    StreamInfoBlock seen;
    std::memcpy(&seen, reinterpret_cast<const void*>(p1), sizeof(seen));
    EXPECT_EQ(seen.info.bResolution, 2);  // 720 pixels wide
    EXPECT_EQ(seen.info.bQuality, VCSF_CAMERA_QUALITY);
    EXPECT_EQ(seen.info.usFrameRate, VCSF_CAMERA_FRAME_RATE_CODE);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetWidth(), 720u);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetHeight(), 480u);

    ASSERT_TRUE(WaitForDelivered(64));
    const CTestSink::Counts counts = sink->GetCounts();
    const uint8_t pack[4] = {0, 0, 1, 0xBA}, systemHeader[4] = {0, 0, 1, 0xBB};
    EXPECT_EQ(std::memcmp(counts.head, pack, 4), 0);
    EXPECT_EQ(std::memcmp(counts.head + 14, systemHeader, 4), 0);
    StopWithinBound();  // the camera's log must show the stop request
}

// The camera runs with --status-list: each session's response head carries the next
// of the camera's status codes, 0x8001 to 0x800B and one it does not define. Each is
// traced with its text, and the stream goes on. The trace is what is looked at: the
// status itself is back at 0 with the first stream head, often before a test could
// read it.
TEST_F(CameraIntegrationTest, EveryCameraStatusCodeInTheResponseHeadIsTracedAndTheStreamGoesOn)
{
    CTraceFileSession session;
    VARIANT off = {};
    ASSERT_EQ(Set(VCSF_ProtectedMode, off), S_OK);  // as a host switches the trace on
    UseUnicastCamera();
    std::vector<uint16_t> codes;
    for (uint16_t code = 0x8001; code <= 0x800B; code++) codes.push_back(code);
    codes.push_back(0x8123);
    for (const uint16_t code : codes) {
        ASSERT_EQ(control->Pause(), S_OK) << std::hex << code;
        const long long before = sink->GetCounts().bytes;
        EXPECT_TRUE(WaitForDelivered(before + 20000)) << std::hex << code;
        StopWithinBound();
    }
    ReleaseFilter();  // the destructor ends the log
    const std::vector<std::string> lines = session.TraceLines();
    auto next = lines.begin();
    for (const uint16_t code : codes) {
        const wchar_t* pText = CParsePacket::CameraStatusText(code);
        char tail[96];
        std::snprintf(tail, sizeof(tail), "0x%x: Camera: %ls", code, pText ? pText : L"Unknown error.");
        next = std::find_if(next, lines.end(), [&](const std::string& line) {
            return CTraceFileSession::EndsWith(line, tail);
        });
        ASSERT_NE(next, lines.end()) << tail;
    }
}

// The camera runs with --silent-after 40: it answers requests but sends no more
// data. The filter waits for more (a UDP stream has no end of its own), reports
// nothing as a failure, and its stop is bounded.
TEST_F(CameraIntegrationTest, ACameraThatFallsSilentLeavesTheFilterWaitingUntilItsStop)
{
    UseUnicastCamera();
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_TRUE(WaitForCameraLogLine("silent after 40 datagrams"));
    EXPECT_TRUE(WaitForDelivered(1));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusOk);
    EXPECT_TRUE(CFilterTestPeer::IsTransportActive(filter.Get()));
    StopWithinBound();
}

// The same camera with a stall time-out: the silence is a stall, told as status
// 0x9001 and ended with an abort, as a receiving thread's failures end the stream.
TEST_F(CameraIntegrationTest, WithAStallTimeOutASilentCameraEndsTheStreamWithStatus9001)
{
    UseUnicastCamera();
    Configure(VCSF_StallTimeOut, 1000);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForCameraLogLine("silent after 40 datagrams"));
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusNoFirstPacket);
    EXPECT_GT(sink->GetCounts().bytes, 0);
    StopWithinBound();
}

TEST_F(CameraIntegrationTest, WrongIdentifiersAreDroppedWhileTheStreamGoesOn)
{
    UseUnicastCamera();
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(WaitForDelivered(100000));
    EXPECT_NE(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusNoFirstPacket);
    StopWithinBound();
}

TEST_F(CameraIntegrationTest, PacketGapsAndOverReceiveAreTracedAndTheDataUsed)
{
    CTraceFileSession session;
    VARIANT off = {};
    ASSERT_EQ(Set(VCSF_ProtectedMode, off), S_OK);
    UseUnicastCamera();
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(WaitForDelivered(200000));
    StopWithinBound();
    ReleaseFilter();  // the destructor ends the log
    const std::vector<std::string> lines = session.TraceLines();
    EXPECT_GE(CTraceFileSession::Find(lines, "DataWrite:PacketCheck(Continuous): PacketNum error."), 0);
    bool bCorrected = false;
    for (const std::string& line : lines)
        bCorrected |= line.find("CNetReceiver::DataWrite: Over Receive 16 byte, Correct to ") != std::string::npos;
    EXPECT_TRUE(bCorrected);
}

// The camera's faults, chosen by each case's camera arguments, cost data, never the stream.
TEST_F(CameraIntegrationTest, ReorderedDatagramsCostDataButNotTheStream) { StreamGoesOnThroughFaults(); }
TEST_F(CameraIntegrationTest, DuplicatedDatagramsCostDataButNotTheStream) { StreamGoesOnThroughFaults(); }
TEST_F(CameraIntegrationTest, TruncatedDatagramsAreDroppedAndTheStreamGoesOn) { StreamGoesOnThroughFaults(); }

// A downstream filter that takes nothing lets the ring fill: 0x9006 and an abort.
TEST_F(CameraIntegrationTest, ASlowDownstreamFilterOverflowsTheRingWith9006AndAnAbort)
{
    UseUnicastCamera();
    sink->BlockReceive();
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusBufferOverflow);
    sink->Unblock();
    StopWithinBound();
}

// A switch to recording on the host's thread while another thread stops the filter:
// the stop is held in the join of the live push thread, whose delivery the sink
// holds. The switch may not leave a parser or a push thread behind the stop.
TEST_F(CameraIntegrationTest, RecordingSwitchedOnDuringAStopLeavesNothingRunning)
{
    UseUnicastCamera();
    sink->BlockReceive();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(WaitForSingleObject(sink->BlockedEvent(), 10000), WAIT_OBJECT_0);
    std::thread stopper([&] { filter->Stop(); });
    ASSERT_TRUE(WaitUntil([&] { return !CFilterTestPeer::IsTransportActive(filter.Get()); }));
    VARIANT on = {};
    on.boolVal = VARIANT_TRUE;
    HANDLE hSwitched = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread switcher([&] {
        Set(HVSF_Rec, on);
        SetEvent(hSwitched);
    });
    WaitForSingleObject(hSwitched, 2000);  // at once where the switch does not wait for the stop
    sink->Unblock();
    switcher.join();
    stopper.join();
    EXPECT_FALSE(CFilterTestPeer::HasParser(filter.Get()));
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kRecording));
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kLive));
    CloseHandle(hSwitched);
    // The graph pauses its filters again on the way to stopped; the camera has
    // ended its one session, so that pause need not wait for it.
    VARIANT noWait = {};
    ASSERT_EQ(Set(VCSF_TimeOut, noWait), S_OK);
}

TEST_F(CameraIntegrationTest, MulticastOnLoopbackEndsWithTheMacChange)
{
    UseMulticastCamera(VCSF_CAMERA_GROUP, VCSF_CAMERA_GROUP_PORT);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    EXPECT_TRUE(WaitUntil([&] { return CFilterTestPeer::CamParm(filter.Get())->GetStatus() == kStatusMacChanged; }));
    StopWithinBound();
}

TEST_F(CameraIntegrationTest, TheMulticastStopHeadEndsTheStreamWithTheCamerasStatus)
{
    UseMulticastCamera(VCSF_CAMERA_GROUP, VCSF_CAMERA_GROUP_PORT);
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_TRUE(WaitForDelivered(64));  // joined: the stop head cannot pass by unseen
    SendStopRequest(CameraPort());
    EXPECT_TRUE(WaitUntil([&] { return CFilterTestPeer::CamParm(filter.Get())->GetStatus() == VCSF_CAMERA_STOP_STATUS; }));
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    EXPECT_TRUE(WaitUntil([&] { return !CFilterTestPeer::Receiver(filter.Get())->IsReceiving(); }));
    StopWithinBound();
}

// The recording pin's side: what a second renderer, on the "Stream" pin, was sent.
class RecordingPinTest : public CameraIntegrationTest {
protected:
    void SetUp() override
    {
        CameraIntegrationTest::SetUp();
        recSink = new CTestSink();
        recSink->KeepSamples();
        ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(recSink.Get(), L"recording sink"));
        ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(filter->GetPin(1), recSink->InputPin(), nullptr));
        UseUnicastCamera();
    }

    void SetRecording(bool bOn)
    {
        VARIANT v = {};
        v.boolVal = bOn ? VARIANT_TRUE : VARIANT_FALSE;
        ASSERT_EQ(Set(HVSF_Rec, v), S_OK);
    }

    bool WaitForPacks(long count)
    {
        return WaitUntil([&] { return recSink->GetCounts().samples >= count; });
    }

    // The packs of the samples from `first` up to `end`, each checked against its head.
    std::vector<uint8_t> Packs(size_t first = 0, size_t end = SIZE_MAX)
    {
        const std::vector<CTestSink::KeptSample> kept = recSink->Kept();
        std::vector<uint8_t> packs;
        for (size_t i = first; i < std::min(end, kept.size()); i++) {
            SCOPED_TRACE(i);
            const CTestSink::KeptSample& sample = kept[i];
            EXPECT_EQ(sample.buffer.size(), kPackIndexHeadSize + static_cast<size_t>(sample.actual));
            if (sample.buffer.size() < kPackIndexHeadSize + 66) continue;
            const uint8_t* pHead = sample.buffer.data();
            const uint8_t* pPack = pHead + kPackIndexHeadSize;
            EXPECT_EQ(ReadBE32(pPack), 0x000001BAu);
            const bool bKey = ReadBE32(pPack + 14) == 0x000001BB && ReadBE32(pPack + 62) == 0x000001E0;
            EXPECT_EQ(sample.bSyncPoint, bKey);
            EXPECT_EQ(ReadLE32(pHead + 20), bKey ? 0u : 1u);  // the head's not-key flag
            EXPECT_EQ(pHead[0], 2);                             // a pack head
            EXPECT_EQ(sample.mediaStart, kept[first].mediaStart + static_cast<LONGLONG>(i - first));
            packs.insert(packs.end(), pPack, pPack + sample.actual);
        }
        return packs;
    }

    // The camera loops the clip.
    static std::vector<uint8_t> LoopedClip(int times)
    {
        std::ifstream file(VCSF_CLIP_PATH, std::ios::binary);
        const std::vector<uint8_t> clip((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<uint8_t> looped;
        for (int i = 0; i < times; i++) looped.insert(looped.end(), clip.begin(), clip.end());
        return looped;
    }

    ComPtr<CTestSink> recSink;
};

// The clip opens with a key pack, so the packs are the camera's stream from its
// first byte; the last pack waits for its successor and never comes.
TEST_F(RecordingPinTest, EveryPackFromTheFirstKeyPackArrivesBehindItsHead)
{
    SetRecording(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForPacks(2500));  // more than the buffer's 512 entries, several times over
    StopWithinBound();
    const std::vector<uint8_t> packs = Packs();
    const std::vector<uint8_t> looped = LoopedClip(40);
    ASSERT_GT(packs.size(), 0u);
    ASSERT_LE(packs.size(), looped.size());
    EXPECT_TRUE(std::equal(packs.begin(), packs.end(), looped.begin()));
    EXPECT_TRUE(recSink->Kept().front().bSyncPoint);
    EXPECT_TRUE(WaitForDelivered(packs.size() / 2));  // live view went on all the while
}

// The camera sends the clip once and falls silent. Every pack but the last comes
// out as soon as the next one's start has arrived; they used to wait for the next
// unit, so that the clip's last unit never came out at all.
TEST_F(RecordingPinTest, ACameraThatSendsTheClipOnceHasEveryPackButTheLastRecorded)
{
    const std::vector<uint8_t> clip = LoopedClip(1);
    const uint8_t startCode[] = {0x00, 0x00, 0x01, 0xBA};
    long packs = 0;
    size_t lastPack = 0;
    for (auto at = clip.begin(); (at = std::search(at, clip.end(), std::begin(startCode), std::end(startCode))) != clip.end(); at++) {
        lastPack = static_cast<size_t>(at - clip.begin());
        packs++;
    }
    SetRecording(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForCameraLogLine("silent after the input"));
    ASSERT_TRUE(WaitUntil([&] { return recSink->GetCounts().bytes >= static_cast<long long>(lastPack); }))
        << recSink->GetCounts().bytes << " of " << lastPack;
    StopWithinBound();
    EXPECT_EQ(Packs(), std::vector<uint8_t>(clip.begin(), clip.begin() + static_cast<std::ptrdiff_t>(lastPack)));
    EXPECT_EQ(recSink->GetCounts().samples, packs - 1);
}

// The camera sends the clip once, with faults, and logs what it sent and what the
// faults did once the last datagram is out: on loopback all of them are then on
// their way. The filter's statistics, read as a host reads them, say the same of
// what arrived, and count the bytes each sink was given.
TEST_F(RecordingPinTest, TheLinkStatisticsCountWhatTheCameraSentAndWhatItsFaultsDid)
{
    ComPtr<IVCSFStatistics> statistics;
    ASSERT_EQ(filter.As(&statistics), S_OK);
    SetRecording(true);
    ASSERT_EQ(control->Run(), S_OK);
    std::string line;
    ASSERT_TRUE(WaitForCameraLogLine("session ", &line));
    unsigned long long sent = 0, lost = 0, wrongId = 0, truncated = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "session datagrams=%llu lost=%llu wrong-id=%llu truncated=%llu", &sent, &lost,
                          &wrongId, &truncated),
              4)
        << line;
    ASSERT_GT(lost * wrongId * truncated, 0u) << line;
    VCSF_STATISTICS s = {};
    s.cbSize = sizeof(s);
    const unsigned long long arriving = sent + 1;  // and the response head
    EXPECT_TRUE(WaitUntil([&] { return statistics->GetStatistics(&s) == S_OK && s.ullReceived == arriving; }))
        << s.ullReceived << " of " << arriving;
    StopWithinBound();
    ASSERT_EQ(statistics->GetStatistics(&s), S_OK);  // stopped: what the run counted
    EXPECT_EQ(s.ullReceived, arriving);
    EXPECT_EQ(s.ullWrongIdentifiers, wrongId);
    EXPECT_EQ(s.ullShortOrDropped, truncated);
    // Every datagram missing from a unit costs one gap at most.
    EXPECT_GT(s.ullPacketGaps, 0u);
    EXPECT_LE(s.ullPacketGaps, lost + wrongId + truncated);
    EXPECT_EQ(s.ullMainPinBytes, static_cast<ULONGLONG>(sink->GetCounts().bytes));
    EXPECT_EQ(s.ullRecordingPinBytes, static_cast<ULONGLONG>(recSink->GetCounts().bytes));
    EXPECT_GT(s.ullRecordingPinBytes, 0u);
    EXPECT_EQ(s.ullRingOverflows + s.ullRecordingOverflows + s.ullReconnections, 0u);
    EXPECT_NE(s.dwMsSinceStreamData, 0xFFFFFFFFu);
}

// Switched off before the buffer reached the size at which reading starts, the
// packs whose end has arrived still come out before the pin's end-of-stream; they
// used to be dropped with the buffer.
TEST_F(RecordingPinTest, RecordingSwitchedOffGivesWhatItHoldsBeforeItsEndOfStream)
{
    SetRecording(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForCameraLogLine("silent after 4 datagrams"));
    ASSERT_TRUE(WaitForDelivered(1));
    EXPECT_EQ(recSink->GetCounts().samples, 0);
    SetRecording(false);
    EXPECT_EQ(recSink->GetCounts().endOfStreams, 1);
    const std::vector<uint8_t> packs = Packs();
    const std::vector<uint8_t> clip = LoopedClip(1);
    ASSERT_GT(packs.size(), 0u);
    EXPECT_TRUE(std::equal(packs.begin(), packs.end(), clip.begin()));
    StopWithinBound();
}

// A recorder that holds its first sample: the recording buffer fills and opens a
// gap (status 0x9006 for the host), the packs up to the next key pack are lost, and
// that key pack comes marked as a discontinuity, with the stream from there on.
// Recording used to stop for good at the first overflow, and the held recorder
// held the main pin too, until its ring overflowed and ended the stream.
TEST_F(RecordingPinTest, AStalledRecorderCostsThePacksItOverlappedAndRecordingGoesOnAtAKeyPack)
{
    recSink->BlockReceive();
    SetRecording(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(WaitForSingleObject(recSink->BlockedEvent(), 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(WaitForStatusNotified(kStatusBufferOverflow));
    // More than the main pin's ring holds: live view goes on past the held recorder.
    ASSERT_TRUE(WaitForDelivered(sink->GetCounts().bytes + 600000));
    recSink->Unblock();
    const auto afterGap = [&] {
        const std::vector<CTestSink::KeptSample> kept = recSink->Kept();
        const auto gap = std::find_if(kept.begin(), kept.end(), [](const auto& k) { return k.bDiscontinuity; });
        return gap == kept.end() ? SIZE_MAX : static_cast<size_t>(gap - kept.begin());
    };
    ASSERT_TRUE(WaitUntil([&] { return afterGap() != SIZE_MAX && static_cast<size_t>(recSink->GetCounts().samples) > 100 + afterGap(); }));
    StopWithinBound();
    const size_t gap = afterGap();
    EXPECT_TRUE(recSink->Kept()[gap].bSyncPoint);
    const std::vector<uint8_t> looped = LoopedClip(40);
    const std::vector<uint8_t> before = Packs(0, gap), after = Packs(gap);
    ASSERT_GT(before.size(), 0u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), looped.begin()));
    const auto at = std::search(looped.begin() + static_cast<std::ptrdiff_t>(before.size()), looped.end(), after.begin(),
                                after.end());
    ASSERT_NE(at, looped.end());
    EXPECT_GT(static_cast<size_t>(at - looped.begin()), before.size());  // the packs in between are lost
}

// Switched on while running, recording opens at the next key pack; switched off, it
// ends its pin's stream once.
TEST_F(RecordingPinTest, RecordingSwitchedOnAndOffWhileRunning)
{
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(100000));
    EXPECT_EQ(recSink->GetCounts().samples, 0);
    const std::vector<uint8_t> looped = LoopedClip(40);
    size_t first = 0;
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        SetRecording(true);
        ASSERT_TRUE(WaitForPacks(static_cast<long>(first) + 100));
        SetRecording(false);
        EXPECT_EQ(recSink->GetCounts().endOfStreams, round + 1);
        const std::vector<CTestSink::KeptSample> kept = recSink->Kept();
        EXPECT_TRUE(kept[first].bSyncPoint);
        const std::vector<uint8_t> packs = Packs(first);
        EXPECT_NE(std::search(looped.begin(), looped.end(), packs.begin(), packs.end()), looped.end());
        first = kept.size();
    }
    StopWithinBound();
}

// With reconnection, a camera that falls silent gets a new session while the graph
// runs: no abort; the host hears 0x9001, 0x9010 and then 0; the main pin's first
// sample of the new session is a discontinuity that opens with a pack and its
// system header, and the recording goes on at the new session's first key pack,
// marked as after a gap, every pack whole.
TEST_F(RecordingPinTest, WithReconnectionASilentCameraGetsANewSessionAndBothPinsGoOnAfterAGap)
{
    sink->KeepSamples();
    SetRecording(true);
    Configure(VCSF_StallTimeOut, 1000);
    SetReconnect();
    ASSERT_EQ(control->Run(), S_OK);
    LinkEvents heard;
    ASSERT_TRUE(WaitHearing(&heard, [&] {
        const std::vector<CTestSink::KeptSample> packs = recSink->Kept();
        return InOrder(heard.statuses, {kStatusNoFirstPacket, kStatusReconnecting, kStatusOk}) &&
               FirstGap(packs) + 50 < packs.size();
    }));
    StopWithinBound();
    EXPECT_FALSE(heard.bAborted);

    ExpectANewStreamAfterTheGap();

    const size_t gap = FirstGap(recSink->Kept());
    EXPECT_TRUE(recSink->Kept()[gap].bSyncPoint);
    const std::vector<uint8_t> looped = LoopedClip(40);
    const std::vector<uint8_t> before = Packs(0, gap), after = Packs(gap);
    ASSERT_GT(before.size(), 0u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), looped.begin()));
    EXPECT_NE(std::search(looped.begin(), looped.end(), after.begin(), after.end()), looped.end());
}

// Over HTTP and HTTPS against vcsf-camera http (with --user admin --password secret
// where a case checks credentials).
class HttpIntegrationTest : public CameraIntegrationTest {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);  // for the test's own ports
        CameraIntegrationTest::SetUp();
    }
    void TearDown() override
    {
        CameraIntegrationTest::TearDown();
        WSACleanup();
    }

    void UseHttpCamera(const wchar_t* pszUser = L"admin", const wchar_t* pszPassword = L"secret", uint16_t port = 0)
    {
        if (!port) port = CameraPort();
        ASSERT_NE(port, 0) << "run through with-camera.sh";
        VARIANT v = {};
        v.uiVal = 2;
        ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
        v.uiVal = HostToNet16(port);
        ASSERT_EQ(Set(VCSF_TCPPort, v), S_OK);
        SetName(VCSF_UserName, pszUser);
        SetName(VCSF_Password, pszPassword);
        v.boolVal = GetEnvironmentVariableW(L"VCSF_CAMERA_TLS", nullptr, 0) ? VARIANT_TRUE : VARIANT_FALSE;
        ASSERT_EQ(Set(VCSF_UseSSL, v), S_OK);
    }

    void SetName(REFGUID id, const wchar_t* pszName)
    {
        WCHAR name[16] = {};
        std::wcsncpy(name, pszName, 16);
        VARIANT v = {};
        v.byref = name;
        ASSERT_EQ(Set(id, v), S_OK);
    }

    // A stream error ends the stream with an abort and the status it stored.
    void ExpectAbortWithStatus(uint16_t usStatus)
    {
        EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
        EXPECT_TRUE(WaitUntil([&] { return CFilterTestPeer::CamParm(filter.Get())->GetStatus() == usStatus; }))
            << std::hex << CFilterTestPeer::CamParm(filter.Get())->GetStatus();
        StopWithinBound();
    }
};

TEST_F(HttpIntegrationTest, TheCredentialsArePassedAndTheStreamComesFromAPackWithASystemHeader)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(200000));
    const CTestSink::Counts counts = sink->GetCounts();
    EXPECT_EQ(ReadBE32(counts.head), 0x000001BAu);
    EXPECT_EQ(ReadBE32(counts.head + 14), 0x000001BBu);
    StopWithinBound();  // the camera's log must show the live stop request
}

TEST_F(HttpIntegrationTest, AWrongPasswordFailsTheStartWith9003)
{
    UseHttpCamera(L"admin", L"wrong");
    EXPECT_EQ(control->Pause(), E_FAIL);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusUnauthorized);
    StopWithinBound();
}

TEST_F(HttpIntegrationTest, ARefusedConnectionFailsTheStartWith9002)
{
    const CLoopbackTcpPort nobody(false);
    UseHttpCamera(L"admin", L"secret", nobody.Port());
    EXPECT_EQ(control->Pause(), E_FAIL);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusConnectFailed);
    StopWithinBound();
}

// A server that accepts and never answers. Microsoft's WinINet reports the receive
// time-out as 12002 (0x9001); Wine 8.0 reports it as 12030, an unknown error here.
TEST_F(HttpIntegrationTest, AServerThatNeverAnswersFailsTheStartWithATimeOut)
{
    const CLoopbackTcpPort silent(true);
    UseHttpCamera(L"admin", L"secret", silent.Port());
    EXPECT_EQ(control->Pause(), E_FAIL);
    const bool bWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), bWine ? kStatusOtherFailure : kStatusNoFirstPacket);
    StopWithinBound();
}

// The camera runs with --status-message-after 600 --status 0x8005.
TEST_F(HttpIntegrationTest, TheStatusMessageEndsTheStreamWithItsStatusAndAnAbort)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    ExpectAbortWithStatus(0x8005);
}

// The camera runs with --status-list: each live body's record heads carry the next
// status code. A camera error in the first record fails the start; the status is
// the camera's and the host is told with an abort.
TEST_F(HttpIntegrationTest, EveryCameraStatusCodeInARecordHeadFailsTheStartWithIt)
{
    UseHttpCamera();
    for (uint16_t code = 0x8001; code <= 0x800B; code++) {
        // The first record comes well within the start's one-second check, but a
        // loaded machine may see it later: then the abort follows the start.
        const HRESULT hr = control->Pause();
        EXPECT_TRUE(hr == E_FAIL || hr == S_OK) << std::hex << code << " " << hr;
        ExpectAbortWithStatus(code);
    }
}

// The camera runs with --live-status 500: the start fails, and the stop after it
// is bounded.
TEST_F(HttpIntegrationTest, AServerErrorForTheLiveRequestFailsTheStart)
{
    UseHttpCamera();
    EXPECT_EQ(control->Pause(), E_FAIL);
    StopWithinBound();
}

// The camera runs with --lang-status 503.
TEST_F(HttpIntegrationTest, AServerErrorForTheLanguageRequestFailsTheStart)
{
    UseHttpCamera();
    EXPECT_EQ(control->Pause(), E_FAIL);
    EXPECT_NE(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusUnauthorized);
    StopWithinBound();
}

// The camera runs with --wrong-id-every 600.
TEST_F(HttpIntegrationTest, AWrongIdentifierEndsTheStreamWith9007)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    ExpectAbortWithStatus(kStatusWrongIdentifier);
}

// The camera runs with --oversize-record-every 3: the rest of each such record is
// dropped, and the next head is read in step.
TEST_F(HttpIntegrationTest, ARecordLongerThanTheBufferKeepsTheStreamInStep)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForDelivered(2000000));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusOk);
    StopWithinBound();
}

// The camera runs with --close-mid-record-after 600.
TEST_F(HttpIntegrationTest, AConnectionClosedInTheMiddleOfARecordAbortsTheStream)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    StopWithinBound();
}

// With reconnection, a body that the server closes in the middle of a record is
// followed by a new credential check and live request; the graph runs on.
TEST_F(HttpIntegrationTest, WithReconnectionAClosedBodyIsFollowedByANewSessionAndTheStreamGoesOn)
{
    sink->KeepSamples();
    UseHttpCamera();
    SetReconnect();
    ASSERT_EQ(control->Run(), S_OK);
    LinkEvents heard;
    ASSERT_TRUE(WaitHearing(&heard, [&] {
        return InOrder(heard.statuses, {kStatusReconnecting, kStatusOk}) && FirstGap(sink->Kept()) < sink->Kept().size();
    }));
    StopWithinBound();
    EXPECT_FALSE(heard.bAborted);
    ExpectANewStreamAfterTheGap();
    const std::vector<std::string> requests = CameraRequests();
    EXPECT_GE(std::count(requests.begin(), requests.end(), "live-start auth=ok"), 2);
    EXPECT_GE(std::count(requests.begin(), requests.end(), "lang.cgi auth=ok"), 2);
    EXPECT_GE(Statistics().ullReconnections, 1u);
}

// The camera runs with --stall-after 1: the first record's data goes out at the live
// thread's next tick, by when the receiving thread waits in the read of a head that
// never comes. The stop ends it within its bound, and the live stop request still
// goes out.
TEST_F(HttpIntegrationTest, AStopWhileTheServerSendsNothingEndsWithinItsBound)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(1));
    StopWithinBound();
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusOk);
}

// The camera runs with --stall-after 1. A camera silent longer than the receive
// time-out has failed: the stream ends with an abort, not with a thread that waits.
TEST_F(HttpIntegrationTest, AServerThatFallsSilentEndsTheStreamAfterTheReceiveTimeOut)
{
    UseHttpCamera();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForEvent(events.Get(), kEventErrorAbort));
    StopWithinBound();
}

// A host that made its own WinINet session hands it over; the filter opens and
// closes none of the session's handles.
TEST_F(HttpIntegrationTest, AHostsOwnSessionCarriesTheStream)
{
    UseHttpCamera(L"", L"");
    HINTERNET hInternet = InternetOpenW(L"host", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET hSession = InternetConnectW(hInternet, L"127.0.0.1", CameraPort(), L"admin", L"secret",
                                          INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(hSession, nullptr) << GetLastError();
    VARIANT v = {};
    v.ullVal = reinterpret_cast<uintptr_t>(hSession);
    ASSERT_EQ(Set(VCSF_HSession, v), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForDelivered(200000));
    StopWithinBound();
    EXPECT_TRUE(InternetCloseHandle(hSession));  // still the host's to close
    InternetCloseHandle(hInternet);
}

// Digest cameras (vcsf-camera http --auth digest --password Circle-of-Life): where
// WinINet leaves the challenge standing (Wine's does; Microsoft's answers it, and
// then the camera's log shows its own requests) the client answers it.
const wchar_t* const kDigestPassword = L"Circle-of-Life";

// SHA-256; the live and stop requests reuse the credential check's nonce.
TEST_F(HttpIntegrationTest, ADigestCameraAdmitsTheRightPasswordAndLaterRequestsReuseItsNonce)
{
    UseHttpCamera(L"admin", kDigestPassword);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(200000));
    const CTestSink::Counts counts = sink->GetCounts();
    EXPECT_EQ(ReadBE32(counts.head), 0x000001BAu);
    StopWithinBound();
    ASSERT_TRUE(WaitForCameraLogLine("request live-stop"));
    EXPECT_EQ(CameraRequests(), (std::vector<std::string>{"lang.cgi auth=missing", "lang.cgi auth=ok",
                                                          "live-start auth=ok", "live-stop auth=ok"}));
}

// The refused answer is not tried again: two requests, and the start fails.
TEST_F(HttpIntegrationTest, ADigestCameraRefusesAWrongPasswordWith9003)
{
    UseHttpCamera(L"admin", L"Circle-of-Lies");
    EXPECT_EQ(control->Pause(), E_FAIL);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusUnauthorized);
    StopWithinBound();
    EXPECT_EQ(CameraRequests(), (std::vector<std::string>{"lang.cgi auth=missing", "lang.cgi auth=refused"}));
}

// The camera runs with --stale-nonce-after 1: the nonce that the credential check
// used is stale for the live request, and the new one for the stop request.
TEST_F(HttpIntegrationTest, ADigestNonceGoneStaleIsAnsweredOnceMore)
{
    UseHttpCamera(L"admin", kDigestPassword);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitForDelivered(200000));
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusOk);
    StopWithinBound();
    ASSERT_TRUE(WaitForCameraLogLine("request live-stop auth=ok"));
    EXPECT_EQ(CameraRequests(),
              (std::vector<std::string>{"lang.cgi auth=missing", "lang.cgi auth=ok", "live-start auth=stale",
                                        "live-start auth=ok", "live-stop auth=stale", "live-stop auth=ok"}));
}

// A refused password, then the right one (the camera offers SHA-256 and MD5): the
// refusal is traced, and neither password nor any answer is.
TEST_F(HttpIntegrationTest, TheTraceOfADigestSessionHoldsNeitherThePasswordNorTheAnswer)
{
    CTraceFileSession session;
    VARIANT off = {};
    ASSERT_EQ(Set(VCSF_ProtectedMode, off), S_OK);
    UseHttpCamera(L"admin", L"Circle-of-Lies");
    EXPECT_EQ(control->Pause(), E_FAIL);
    StopWithinBound();
    UseHttpCamera(L"admin", kDigestPassword);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_TRUE(WaitForDelivered(200000));
    StopWithinBound();
    ReleaseFilter();
    const std::vector<std::string> lines = session.TraceLines();
    EXPECT_GE(CTraceFileSession::Find(lines, "Digest: the answer was refused."), 0);
    EXPECT_GE(CTraceFileSession::Find(lines, "401 User Name and/or Password may be incorrect."), 0);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("Circle-of-Li"), std::string::npos) << line;
        EXPECT_EQ(line.find("response="), std::string::npos) << line;
    }
    EXPECT_EQ(CameraRequests(), (std::vector<std::string>{"lang.cgi auth=missing", "lang.cgi auth=refused",
                                                          "lang.cgi auth=missing", "lang.cgi auth=ok",
                                                          "live-start auth=ok", "live-stop auth=ok"}));
}

// Three cameras at once (unicast, multicast and HTTP, nested with-camera.sh runs);
// VCSF_SOAK_CYCLES cycles, taken in turn over the three transports.
TEST_F(HttpIntegrationTest, PauseStopCyclesOverEveryTransportLeaveTheProcessAsItWas)
{
    const uint16_t httpPort = CameraPort(L"VCSF_HTTP_CAMERA_PORT");
    ASSERT_NE(httpPort, 0) << "run with an HTTP camera named VCSF_HTTP_CAMERA";
    auto useTransport = [&](int i) {
        switch (i % 3) {
        case 0: {
            VARIANT v = {};
            ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
            UseUnicastCamera();
            break;
        }
        case 1: UseMulticastCamera(VCSF_CAMERA_GROUP, VCSF_CAMERA_GROUP_PORT); break;
        default: UseHttpCamera(L"admin", L"secret", httpPort); break;
        }
    };
    for (int i = 0; i < 6; i++) {  // the first cycles warm Winsock, WinINet and the graph
        useTransport(i);
        ASSERT_EQ(control->Pause(), S_OK) << i;
        StopWithinBound();
    }
    const ProcessResources before = Measure();
    ASSERT_GT(before.handles, 0u);
    ASSERT_GT(before.privateBytes, 0u);
    const int cycles = static_cast<int>(NumberFromEnvironment(L"VCSF_SOAK_CYCLES", 150));
    for (int i = 0; i < cycles; i++) {
        useTransport(i);
        ASSERT_EQ(control->Pause(), S_OK) << i;
        ASSERT_EQ(control->Stop(), S_OK) << i;
    }
    const ProcessResources after = Measure();
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(after.threads, before.threads);  // WinINet ends a thread of its own when it idles
    EXPECT_LT(after.privateBytes, before.privateBytes + 1024 * 1024);  // heap noise, not the cycles' leak
    std::printf("%d cycles: handles %lu -> %lu, threads %lu -> %lu, private bytes %zu -> %zu\n", cycles,
                before.handles, after.handles, before.threads, after.threads, before.privateBytes, after.privateBytes);
}

// A start has phases: the pause returns with the first datagram, the first data
// then start the push threads and tell the host, and the push threads then
// deliver, maybe into a filter that holds them. A stop in each is bounded.
TEST_F(CameraIntegrationTest, AStopInEachPhaseOfAStartReturnsWithinItsBound)
{
    UseUnicastCamera();
    for (int i = 0; i < 20; i++) {  // at once: before or during the first-data step
        ASSERT_EQ(control->Pause(), S_OK) << i;
        StopWithinBound();
    }
    for (int i = 0; i < 5; i++) {  // the first-data step has told the host
        DrainEvents(events.Get());
        ASSERT_EQ(control->Pause(), S_OK) << i;
        ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo)) << i;
        StopWithinBound();
    }
    sink->BlockReceive();  // a push thread held in the downstream filter's Receive
    for (int i = 0; i < 5; i++) {
        ResetEvent(sink->BlockedEvent());
        ASSERT_EQ(control->Pause(), S_OK) << i;
        ASSERT_EQ(WaitForSingleObject(sink->BlockedEvent(), 10000), WAIT_OBJECT_0) << i;
        StopWithinBound();
        sink->BlockReceive();  // the sink's stop released it
    }
    sink->Unblock();
}

}  // namespace
