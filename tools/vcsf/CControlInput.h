#pragma once
// The lines of "vcsf play --control": read from a file or standard input on a
// thread of their own, so that a command line that waits for its next line
// never holds playback. The thread owns what it uses (its copy of the handle and
// the shared queue): when a read cannot be cancelled, it may outlive this object
// until its input ends, and touches nothing else.
//
// Locking: the queue's lock, held only to move a line in or out.

#include "core/CritSec.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

class CControlInput {
public:
    CControlInput() = default;
    ~CControlInput();
    CControlInput(const CControlInput&) = delete;
    CControlInput& operator=(const CControlInput&) = delete;

    // "-" is standard input. False with *pError said when it cannot be read.
    bool Open(const std::wstring& source, std::wstring* pError);
    // The next whole line (UTF-8 in, its end taken off); false when none is waiting.
    bool Next(std::wstring* pLine);

private:
    struct Shared {
        CCritSec lock;
        std::deque<std::wstring> lines;
    };
    struct Reader {
        HANDLE hInput;
        std::shared_ptr<Shared> pShared;
    };
    static DWORD WINAPI ReadLines(void* pParam);

    std::shared_ptr<Shared> m_pShared = std::make_shared<Shared>();
    HANDLE m_hThread = nullptr;
};
