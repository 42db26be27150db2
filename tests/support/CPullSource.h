#pragma once
// A pull-mode source for tests: one output pin that offers IAsyncReader over a
// stream whose bytes arrive while it is read (CGrowingStream), so that a parser
// that only pulls can take a stream that another graph receives. The stream's
// bytes come from the test through Stream().
//
// Locking: m_filterLock is the filter lock (CBaseFilter), taken by the graph's
// state changes and the pin's connection; it is taken first. The stream's lock
// (CGrowingStream) and the pin's queue lock (CPullSourcePin) come below it, each
// taken alone and never while a read waits. The test appends from the grabber's
// delivering thread; the parser reads on its own threads.

#include "baseclasses/CBaseFilter.h"
#include "tests/support/CGrowingStream.h"
#include "tests/support/CPullSourcePin.h"

class CPullSource : public CBaseFilter {
public:
    explicit CPullSource(const GUID& subtype);

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }
    CPullSourcePin* OutputPin() { return &m_pin; }
    CGrowingStream& Stream() { return m_stream; }

private:
    CCritSec m_filterLock;
    CGrowingStream m_stream;
    CPullSourcePin m_pin;
};
