#pragma once
// A pull-mode source for tests: one output pin that offers IAsyncReader over a
// stream whose bytes arrive while it is read (CGrowingStream), so that a parser
// that only pulls can take a stream that another graph receives. The stream's
// bytes come from the test through Stream().

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
