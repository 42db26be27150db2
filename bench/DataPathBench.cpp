// Our whole receive path fed from memory: the bundled clip cut once into the
// camera simulator's datagrams, then replayed, looped, through everything that
// follows a datagram's arrival: the receive buffer handed back to the pool and the
// next receive's taken, the head checks, the camera parameters' checks, the stream
// ring write, the recording parser with the live index, and the push threads'
// reads (CPushData's in-place reads of the ring, CPushES's taking of each indexed
// pack, its sample released at once). Once on the writer's thread, and once with
// each reader on a thread of its own, as the filter runs them.
//
// Each run counts the datagrams that reached the ring and the parser and stops with
// an error when one did not, or when the bytes read back differ from those written;
// before the first run the same path goes three times round the clip with tracing on
// and stops with an error on any trace line of a failed check.

#include "core/CBufferPool.h"
#include "core/CCamParm.h"
#include "core/CDatagramWriter.h"
#include "core/CIndexedBuffer2.h"
#include "core/CMpegBuffer.h"
#include "core/CParsePS.h"
#include "core/CTraceCapture.h"
#include "fuzz/CFuzzCamParmOwner.h"
#include "tests/core/CTestPoolEvent.h"
#include "tests/core/CTraceCaptureScope.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CDatagramCutter.h"
#include "tools/camera/CStreamParameters.h"
#include "tools/camera/CStreamSource.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// 1300 rounds of the 399 kB clip: about 520 MB a run.
constexpr int kLoops = 1300;
constexpr uint32_t kMpegBufferBytes = 0x78000;  // the filter's stream ring
constexpr uint32_t kPoolBuffers = 54, kPoolBufferBytes = 4096, kPostedReceives = 50;
constexpr size_t kDatagramBytes = 1400;  // as the live-view benchmark sends
constexpr size_t kSequenceOffset = 42;  // of the first head
constexpr std::time_t kSendTime = 1767225600;  // 2026-01-01, any fixed time

struct ClipDatagrams {
    std::vector<Datagram> datagrams;
    std::vector<bool> unitStart;
    uint64_t streamBytes = 0;
    size_t units = 0;
    size_t maxUnit = 0;
    uint32_t kbps = 0;
};

const ClipDatagrams& Clip()
{
    static const ClipDatagrams clip = [] {
        CStreamSource source;
        std::string error;
        if (!source.Load(VCSF_ASSETS_DIR "/testsrc-352x240.ps", &error)) std::abort();
        const CCameraOptions options;
        const CStreamParameters parameters(options, source.Facts());
        const FirstStreamHead head = parameters.FirstHead(options.mac, kSendTime);
        CDatagramCutter cutter(false, kDatagramBytes);
        ClipDatagrams c;
        for (size_t i = 0; i < source.UnitCount(); i++) {
            std::vector<Datagram> unit = cutter.Cut(head, source.UnitData(i), source.UnitSize(i));
            for (size_t k = 0; k < unit.size(); k++) c.unitStart.push_back(k == 0);
            std::move(unit.begin(), unit.end(), std::back_inserter(c.datagrams));
            c.streamBytes += source.UnitSize(i);
            c.maxUnit = std::max(c.maxUnit, source.UnitSize(i));
        }
        c.units = source.UnitCount();
        c.kbps = (head.bBitRate & 0x3F) * 100u;
        return c;
    }();
    return clip;
}

// CPushData's sizes for a bit rate: the ring's ready size and its read block.
uint32_t StartSize(uint32_t kbps) { return (kbps + 50) * 50 / 8; }
uint32_t ReadSize(uint32_t kbps) { return (kbps + 50) * 51200 / 8000; }

// The filter's side: every switch on, and the recording parser fed under its lock as
// the filter feeds it. Counts what the receiver accepted.
class CBenchOwner : public CFuzzOwner {
public:
    void SetParser(CParsePS* pParser) { m_pParser = pParser; }
    void StopStream(bool) override { stops++; }
    void WriteRecording(const uint8_t* pData, uint32_t cb) override
    {
        CAutoLock lock(&m_ParserLock);
        accepted++;
        acceptedBytes += cb;
        if (m_pParser->Write(pData, cb) != 0) parserRefused++;
        m_pParser->Parse();
    }

    uint64_t accepted = 0, acceptedBytes = 0, parserRefused = 0, stops = 0;

private:
    CCritSec m_ParserLock;
    CParsePS* m_pParser = nullptr;
};

// CPushData::SendReady: what is stored, once a read block's worth is there, handed
// on in place; a region cut short by the ring's end is followed by the rest.
uint64_t ReadRing(CMpegBuffer* ring, uint32_t readSize)
{
    uint64_t bytes = 0;
    for (;;) {
        const uint8_t* p = nullptr;
        uint32_t n = 0;
        uint8_t bReachedEnd = 0;
        if (ring->ReadLock(&p, std::max(readSize, ring->GetDataSize()), &n, &bReachedEnd) < 0) return bytes;
        benchmark::DoNotOptimize(p);
        ring->ReadEnd();
        bytes += n;
        if (!bReachedEnd) return bytes;
    }
}

// CPushES::SendReady: every ready pack taken, its sample released at once.
uint64_t ReadPacks(CIndexedBuffer2* index, uint64_t* pPacks)
{
    uint64_t bytes = 0;
    IndexEntry entry = {};
    while (index->ReadIndex(&entry) == 0) {
        const uint32_t length = entry.dwHeadSize + entry.dwDataSize;
        index->ReadEnd(entry.dwOffset + length, length);
        benchmark::DoNotOptimize(index->Data() + entry.dwOffset);
        index->SetSamplePos(entry.dwOffset + length);
        bytes += entry.dwDataSize;
        ++*pPacks;
    }
    return bytes;
}

// What the push threads took: ring bytes, packs and their pack bytes.
struct ReadTotals {
    uint64_t ringBytes = 0;
    uint64_t packs = 0;
    uint64_t packBytes = 0;
};

// The receiver's objects as the filter wires them, and the clip's datagrams with
// the sequence numbers a camera gives them round after round.
class CDataPath {
public:
    CDataPath() : m_Datagrams(clip.datagrams)
    {
        owner.SetParser(&parser);
        ring.SetReadySize(StartSize(clip.kbps));
        for (CPoolBuffer*& b : m_Posted) b = m_Pool.GetBuffer(&m_PoolEvent, 0);
    }
    ~CDataPath()
    {
        for (CPoolBuffer* b : m_Posted) b->Release();
    }

    // One datagram, as the receiver's completion handles it; false when it stops the stream.
    bool Receive(size_t i)
    {
        Datagram& d = m_Datagrams[i];
        if (clip.unitStart[i]) d[kSequenceOffset] = m_bSequence++;
        m_Posted[m_nNextPosted]->Release();
        m_Posted[m_nNextPosted] = m_Pool.GetBuffer(&m_PoolEvent, 0);
        m_nNextPosted = (m_nNextPosted + 1) % kPostedReceives;
        bool bStop = false;
        writer.DataWrite(d.data(), d.size(), &bStop);
        m_qwReceived++;
        return !bStop;
    }

    // The error of a run that lost anything, or an empty string. Call with no reader running.
    std::string Check(const ReadTotals& read)
    {
        for (int32_t r : m_Results)
            if (r != 0) return "an allocation failed";
        if (owner.accepted != m_qwReceived)
            return std::to_string(m_qwReceived - owner.accepted) + " of " + std::to_string(m_qwReceived) +
                   " datagrams were refused";
        if (owner.parserRefused || owner.stops) return "the parser refused bytes or the stream was stopped";
        if (read.ringBytes + ring.GetDataSize() != owner.acceptedBytes) return "the ring lost bytes";
        if (read.packBytes + parser.GetDataSize() != owner.acceptedBytes) return "the index lost bytes";
        return {};
    }

    const ClipDatagrams& clip = Clip();
    CBenchOwner owner;
    CCamParm camParm{&owner};

private:
    int32_t m_Results[4] = {-1, -1, -1, -1};
    std::vector<Datagram> m_Datagrams;
    CBufferPool m_Pool{kPoolBuffers, kPoolBufferBytes, &m_Results[0]};
    CTestPoolEvent m_PoolEvent;
    CPoolBuffer* m_Posted[kPostedReceives] = {};
    size_t m_nNextPosted = 0;
    uint8_t m_bSequence = 0;
    uint64_t m_qwReceived = 0;

public:
    CMpegBuffer ring{kMpegBufferBytes, &m_Results[1]};
    CIndexedBuffer2 index{CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &m_Results[2]};
    CParsePS parser{&index, &camParm, &m_Results[3]};
    CDatagramWriter writer{&camParm, &ring, &owner};
};

// Rounds of the clip on one thread, each reader after every unit's first datagram,
// where the parser indexes the unit before it.
std::string RunOnOneThread(CDataPath* path, int loops, ReadTotals* read)
{
    const uint32_t readSize = ReadSize(path->clip.kbps);
    for (int loop = 0; loop < loops; loop++) {
        for (size_t i = 0; i < path->clip.datagrams.size(); i++) {
            if (!path->Receive(i)) return "the receiver stopped the stream";
            if (!path->clip.unitStart[i]) continue;
            read->ringBytes += ReadRing(&path->ring, readSize);
            read->packBytes += ReadPacks(&path->index, &read->packs);
        }
    }
    return path->Check(*read);
}

// Trace lines of a failed check: lost or surplus data, a refused head, an overflow.
bool IsFailureLine(const std::wstring& line)
{
    for (const wchar_t* word : {L"error", L"lost", L"Loss", L"overflow", L"over flow", L"Over Receive", L"Short",
                                L"Wrong", L"cut!"})
        if (line.find(word) != std::wstring::npos) return true;
    return false;
}

// Three rounds with tracing on: the sequence numbers and packet numbers pass their
// checks across the rounds' seams too.
const std::string& VerifiedOnce()
{
    static const std::string error = [] {
        CTraceCaptureScope trace;
        CDataPath path;
        ReadTotals read;
        std::string result = RunOnOneThread(&path, 3, &read);
        for (const std::wstring& line : TraceCapture().FileLines())
            if (result.empty() && IsFailureLine(line)) result = "a check failed: " + std::string(line.begin(), line.end());
        return result;
    }();
    return error;
}

double ProcessCpuSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

void Report(benchmark::State& state, const CDataPath& path, uint64_t packs, double cpuSeconds)
{
    const double bytes = static_cast<double>(path.owner.acceptedBytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * path.clip.streamBytes));
    state.counters["datagrams_accepted"] = static_cast<double>(path.owner.accepted);
    state.counters["packs"] = static_cast<double>(packs);
    state.counters["stream_bytes"] = bytes;
    state.counters["cpu_s_per_GB"] = bytes > 0 ? cpuSeconds / (bytes / 1e9) : 0;
}

void ReceiveParseAndRead(benchmark::State& state)
{
    if (!VerifiedOnce().empty()) return state.SkipWithError(VerifiedOnce().c_str());
    CDataPath path;
    ReadTotals read;
    const double cpuStart = ProcessCpuSeconds();
    std::string error;
    for (auto _ : state) {
        error = RunOnOneThread(&path, 1, &read);
        if (!error.empty()) break;
    }
    const double cpu = ProcessCpuSeconds() - cpuStart;
    if (!error.empty()) return state.SkipWithError(error.c_str());
    Report(state, path, read.packs, cpu);
}
BENCHMARK(ReceiveParseAndRead)->Iterations(kLoops)->MeasureProcessCPUTime();

// A count that one thread raises and one other waits on until it reaches a target.
// The raiser makes a system call only when the waiter's target is reached.
class CProgress {
public:
    void Add(uint64_t n)
    {
        if (m_qwValue.fetch_add(n) + n >= m_qwTarget.load()) Wake();
    }
    uint64_t Value() const { return m_qwValue.load(); }
    // False when the wait lasted past a stall's bound: a reader or the writer is stuck.
    bool WaitFor(uint64_t target, const std::atomic<bool>& bStop)
    {
        if (Value() >= target) return true;
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_qwTarget.store(target);
        const bool bReached = m_Changed.wait_for(lock, std::chrono::seconds(10),
                                                 [&] { return Value() >= target || bStop.load(); });
        m_qwTarget.store(UINT64_MAX);
        return bReached;
    }
    void Wake()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Changed.notify_all();
    }

private:
    std::atomic<uint64_t> m_qwValue{0};
    std::atomic<uint64_t> m_qwTarget{UINT64_MAX};
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
};

// The filter's two push threads beside the receiving thread. The readers wake when
// there is something for them (a read block in the ring, a unit indexed); the
// receiving thread, fed from memory faster than any camera, waits when the ring is
// half full or more than kIndexSlack of indexed packs are still held, where a
// camera's datagrams would be lost.
class CThreadedReaders {
public:
    static constexpr uint64_t kIndexSlack = 128 * 1024;

    explicit CThreadedReaders(CDataPath* path)
        : m_Path(path), m_dwReadSize(ReadSize(path->clip.kbps)), m_RingThread([this] { RingReader(); }),
          m_PackThread([this] { PackReader(); })
    {
    }
    ~CThreadedReaders() { Stop(); }

    void Stop()
    {
        if (m_bStop.exchange(true)) return;
        m_RingWritten.Wake();
        m_UnitsParsed.Wake();
        m_RingThread.join();
        m_PackThread.join();
    }

    // One datagram, once there is room for it; false when the stream stopped or stalled.
    bool Receive(size_t i)
    {
        const Datagram& d = m_Path->clip.datagrams[i];
        const uint64_t written = m_RingWritten.Value() + d.size();
        if (written > kMpegBufferBytes / 2 && !m_RingRead.WaitFor(written - kMpegBufferBytes / 2, m_bStop))
            return false;
        const bool bUnitStart = m_Path->clip.unitStart[i];
        if (bUnitStart && m_qwFedAtUnitStart > kIndexSlack &&
            !m_PackBytes.WaitFor(m_qwFedAtUnitStart - kIndexSlack, m_bStop))
            return false;
        const uint64_t before = m_Path->owner.acceptedBytes;
        if (!m_Path->Receive(i)) return false;
        const uint64_t cb = m_Path->owner.acceptedBytes - before;
        if (bUnitStart) {
            m_qwFedAtUnitStart = before;
            m_UnitsParsed.Add(1);
        }
        m_RingWritten.Add(cb);
        return true;
    }

    uint64_t RingRead() const { return m_RingRead.Value(); }
    uint64_t PackBytes() const { return m_PackBytes.Value(); }
    uint64_t Packs() const { return m_qwPacks; }
    bool Stalled() const { return m_bStalled; }

private:
    void RingReader()
    {
        while (!m_bStop) {
            const uint64_t n = ReadRing(&m_Path->ring, m_dwReadSize);
            if (n) m_RingRead.Add(n);
            else if (!m_RingWritten.WaitFor(m_RingRead.Value() + m_dwReadSize, m_bStop)) m_bStalled = true;
        }
    }
    void PackReader()
    {
        uint64_t units = 0;
        while (!m_bStop) {
            units = m_UnitsParsed.Value();
            const uint64_t n = ReadPacks(&m_Path->index, &m_qwPacks);
            if (n) m_PackBytes.Add(n);
            else if (!m_UnitsParsed.WaitFor(units + 1, m_bStop)) m_bStalled = true;
        }
    }

    CDataPath* const m_Path;
    const uint32_t m_dwReadSize;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bStalled{false};
    CProgress m_RingWritten, m_RingRead, m_UnitsParsed, m_PackBytes;
    uint64_t m_qwFedAtUnitStart = 0;
    uint64_t m_qwPacks = 0;  // the pack reader's own
    std::thread m_RingThread, m_PackThread;
};

void ReceiveParseAndReadOnPushThreads(benchmark::State& state)
{
    if (!VerifiedOnce().empty()) return state.SkipWithError(VerifiedOnce().c_str());
    CDataPath path;
    std::string error;
    const double cpuStart = ProcessCpuSeconds();
    CThreadedReaders readers(&path);
    for (auto _ : state) {
        for (size_t i = 0; i < path.clip.datagrams.size() && error.empty(); i++)
            if (!readers.Receive(i)) error = "the receiver stopped the stream or a push thread stalled";
        if (!error.empty()) break;
    }
    readers.Stop();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    if (readers.Stalled()) error = "a push thread stalled";
    ReadTotals read{readers.RingRead(), readers.Packs(), readers.PackBytes()};
    read.packBytes += ReadPacks(&path.index, &read.packs);
    if (error.empty()) error = path.Check(read);
    if (!error.empty()) return state.SkipWithError(error.c_str());
    Report(state, path, read.packs, cpu);
}
BENCHMARK(ReceiveParseAndReadOnPushThreads)->Iterations(kLoops)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
