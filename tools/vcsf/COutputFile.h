#pragma once
// Where a command writes its stream, made so that a run that fails before its
// first byte destroys nothing: standard output ("-"), a device or a pipe (the
// null device, a FIFO) written as it is, or a regular file that is created, or
// with overwrite truncated, only when the first byte is ready. An existing
// regular file is refused unless overwrite is given.
//
// Locking: none; the one thread that writes also opens.

#include <windows.h>

#include <string>

class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // False with *pError for a person when the path cannot be written as asked:
    // an existing regular file without overwrite, or a folder.
    bool Prepare(const std::wstring& path, bool bOverwrite, std::wstring* pError);
    // Writes all of it, opening the file first. False with the system error set.
    bool Write(const void* p, DWORD cb);
    // Closes a file this object opened.
    void Close();
    const std::wstring& Path() const { return m_Path; }

private:
    bool Open();

    std::wstring m_Path;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    bool m_bOwn = false;      // opened here, closed here
    bool m_bCreate = false;   // a regular file, made at the first write
};
