#pragma once
// A minute file read through a file handle, at explicit offsets.

#include "core/IRandomAccessSource.h"

#include <windows.h>

class CWinFileSource : public IRandomAccessSource {
public:
    // Takes the handle; its size is taken once, so a file still growing reads as it was.
    explicit CWinFileSource(HANDLE hFile);
    ~CWinFileSource() override;
    CWinFileSource(const CWinFileSource&) = delete;
    CWinFileSource& operator=(const CWinFileSource&) = delete;

    uint64_t Size() override { return m_Size; }
    size_t ReadAt(uint64_t offset, uint8_t* pDest, size_t cb) override;

private:
    const HANDLE m_hFile;
    uint64_t m_Size = 0;
};
