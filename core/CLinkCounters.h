#pragma once
// What the link has done since the start: what arrived, what was refused or lost
// on the way, and what each pin delivered. The receiving thread, the push threads
// and any host thread touch it at once, so each counter is a relaxed atomic of its
// own and nothing takes a lock; a snapshot is a set of values each read once, not
// one instant of all of them.

#include <atomic>
#include <cstdint>

class CLinkCounters {
public:
    struct Values {
        uint64_t received;        // UDP datagrams, or HTTP records
        uint64_t receivedBytes;
        uint64_t packetGaps;
        uint64_t wrongIdentifiers;
        uint64_t shortOrDropped;
        uint64_t ringOverflows;
        uint64_t recordingOverflows;
        uint64_t reconnections;
        uint64_t mainPinBytes;
        uint64_t recordingPinBytes;
        uint16_t lastReconnectCause;
    };

    void NoteReceived(uint64_t cb)
    {
        Add(m_Received, 1);
        Add(m_ReceivedBytes, cb);
    }
    void NotePacketGap() { Add(m_PacketGaps, 1); }
    void NoteWrongIdentifier() { Add(m_WrongIdentifiers, 1); }
    void NoteShortOrDropped() { Add(m_ShortOrDropped, 1); }
    void NoteRingOverflow() { Add(m_RingOverflows, 1); }
    void NoteRecordingOverflows(uint64_t count) { Add(m_RecordingOverflows, count); }
    // cause: the status that made the transport connect again.
    void NoteReconnect(uint16_t cause);
    void NoteMainPinBytes(uint64_t cb) { Add(m_MainPinBytes, cb); }
    void NoteRecordingPinBytes(uint64_t cb) { Add(m_RecordingPinBytes, cb); }

    void Reset();
    Values Snapshot() const;

private:
    using Counter = std::atomic<uint64_t>;

    static void Add(Counter& counter, uint64_t n) { counter.fetch_add(n, std::memory_order_relaxed); }

    Counter m_Received{0};
    Counter m_ReceivedBytes{0};
    Counter m_PacketGaps{0};
    Counter m_WrongIdentifiers{0};
    Counter m_ShortOrDropped{0};
    Counter m_RingOverflows{0};
    Counter m_RecordingOverflows{0};
    Counter m_Reconnections{0};
    Counter m_MainPinBytes{0};
    Counter m_RecordingPinBytes{0};
    std::atomic<uint16_t> m_LastReconnectCause{0};
};
