#pragma once
// The host's renderer for live view and for the recording pin: writes each
// sample's bytes, in order, to a file or to standard output. For the program
// stream those are the sample's data; for the recording pin's packets its whole
// buffer, the 24-byte head in front of the pack, behind the buffer's length (32
// bits, little-endian) so that a reader finds where each packet ends.
//
// The program stream is written up to the pack still being received, which is
// held until the next pack starts; Finish, once the graph has stopped, writes it
// when it is whole, so that the file ends at a whole pack. The recording pin's
// packets are whole already.
//
// Locking: none of its own. The held pack is the streaming thread's while the
// graph runs and Finish's once it has stopped; the byte count and the write
// error are read from any thread.

#include "core/CPackTailTrimmer.h"
#include "tools/vcsf/COutputFile.h"
#include "tools/vcsf/CSampleSink.h"

#include <vector>

class CFileSink : public CSampleSink {
public:
    enum class Content { Data, Packets };

    // The output is borrowed: the caller prepares and closes it.
    CFileSink(COutputFile* pOutput, Content content);

    // The stream's end: called once the graph has stopped, before Bytes is reported.
    void Finish();

    uint64_t Bytes() const { return m_ullBytes; }
    // The system error of the first write that failed (a closed pipe, a full disk), or 0.
    DWORD WriteError() const { return m_dwWriteError; }

protected:
    HRESULT Consume(IMediaSample* pSample, BYTE* p) override;

private:
    HRESULT WriteReady(const CPackTailTrimmer::Ready& ready, const BYTE* pNew);
    HRESULT Write(const BYTE* p, size_t cb);

    COutputFile* const m_pOutput;
    const Content m_Content;
    std::atomic<uint64_t> m_ullBytes{0};
    std::vector<BYTE> m_Record;  // a packet's length and bytes, written at once
    CPackTailTrimmer m_Trimmer;
    std::atomic<DWORD> m_dwWriteError{0};
};
