#include "core/CLinkCounters.h"

namespace {

uint64_t Read(const std::atomic<uint64_t>& counter) { return counter.load(std::memory_order_relaxed); }

}  // namespace

void CLinkCounters::NoteReconnect(uint16_t cause)
{
    m_LastReconnectCause.store(cause, std::memory_order_relaxed);
    Add(m_Reconnections, 1);
}

void CLinkCounters::Reset()
{
    for (Counter* p : {&m_Received, &m_ReceivedBytes, &m_PacketGaps, &m_WrongIdentifiers, &m_ShortOrDropped,
                       &m_RingOverflows, &m_RecordingOverflows, &m_Reconnections, &m_MainPinBytes,
                       &m_RecordingPinBytes})
        p->store(0, std::memory_order_relaxed);
    m_LastReconnectCause.store(0, std::memory_order_relaxed);
}

CLinkCounters::Values CLinkCounters::Snapshot() const
{
    Values v = {};
    v.received = Read(m_Received);
    v.receivedBytes = Read(m_ReceivedBytes);
    v.packetGaps = Read(m_PacketGaps);
    v.wrongIdentifiers = Read(m_WrongIdentifiers);
    v.shortOrDropped = Read(m_ShortOrDropped);
    v.ringOverflows = Read(m_RingOverflows);
    v.recordingOverflows = Read(m_RecordingOverflows);
    v.reconnections = Read(m_Reconnections);
    v.mainPinBytes = Read(m_MainPinBytes);
    v.recordingPinBytes = Read(m_RecordingPinBytes);
    v.lastReconnectCause = m_LastReconnectCause.load(std::memory_order_relaxed);
    return v;
}
