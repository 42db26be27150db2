#pragma once
// A minute file written through a file handle; Flush puts it on the disk.

#include "core/IByteSink.h"

#include <windows.h>

class CWinFileSink : public IByteSink {
public:
    explicit CWinFileSink(HANDLE hFile) : m_hFile(hFile) {}  // takes the handle
    ~CWinFileSink() override { CloseHandle(m_hFile); }
    CWinFileSink(const CWinFileSink&) = delete;
    CWinFileSink& operator=(const CWinFileSink&) = delete;

    bool Append(const uint8_t* p, size_t cb) override;
    bool Flush() override { return FlushFileBuffers(m_hFile) != 0; }

private:
    const HANDLE m_hFile;
};
