#pragma once
// Recorded playback as a transport: each start makes a new file reader over the
// settings it is given (the one before goes first), a stop ends the reader's
// thread and keeps the reader until the next start or the end. The minute-file
// library is loaded at the first start.
//
// Locking: none of its own; Start, Stop and IsActive come from the filter's thread.
// HasReader is asked by the reader's own thread too, which runs only while its
// reader exists: a reader is deleted only after its thread has been joined.

#include "camera/ITransport.h"
#include "playback/CMinvaultLibrary.h"

#include <memory>

class CCamParm;
class CFileReader;
class CPlayIndexedBuffer;
class IPlayOwner;

class CFileTransport : public ITransport {
public:
    CFileTransport(IPlayOwner* pOwner, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer);
    ~CFileTransport();
    CFileTransport(const CFileTransport&) = delete;
    CFileTransport& operator=(const CFileTransport&) = delete;

    HRESULT Start(const FilterSettings& settings) override;
    void Stop() override;
    bool IsActive() override;
    bool HasReader() const { return m_pReader != nullptr; }

private:
    void DeleteReader();

    IPlayOwner* const m_pOwner;
    CCamParm* const m_pCamParm;
    CPlayIndexedBuffer* const m_pBuffer;
    CMinvaultLibrary m_Library;
    PlaySettings m_Settings = {};  // the reader's, from its start to its deletion
    std::unique_ptr<CFileReader> m_pReader;
};
