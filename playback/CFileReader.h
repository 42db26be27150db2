#pragma once
// The source of recorded playback: asks the minute-file library for the units of
// the play range one by one, reads each unit's data and writes it as one frame
// into the playback indexed buffer, and hands the stream information of the units
// to the camera parameters. Its thread paces itself by how full the buffer is.
//
// A unit waits for room in the buffer rather than fail there: one that could never
// fit is passed over and playback goes on at the next key unit. Once units have
// been played, the end of the range is the push thread's to report, after the
// last of them has gone out.
//
// Locking: none of its own. The reading state is the reading thread's alone: the
// filter's thread constructs the reader before the thread starts and destroys it
// after the thread has ended. The playback buffer and the camera parameters lock
// themselves.

#include "baseclasses/CWorkerThread.h"
#include "core/MinuteFileRecord.h"
#include "core/StreamInfoBlock.h"
#include "playback/Minvault.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CCamParm;
class CMinvaultLibrary;
class CPlayIndexedBuffer;
class IPlayOwner;
struct PlaySettings;

class CFileReader {
public:
    static constexpr uint32_t kFillBase = 0x50000;  // the bytes that count as a full buffer
    static constexpr uint32_t kMaxPathChars = 260;

    // *phr: S_OK, or the failure after which the reader may only be destroyed.
    CFileReader(IPlayOwner* pOwner, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer, const PlaySettings* pSettings,
                const CMinvaultLibrary* pLibrary, HRESULT* phr);
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    HRESULT Initfilereader();
    // 0 when the thread ended within its wait (or there was none).
    DWORD Stop();
    bool IsRunning() { return m_Thread.IsRunning(); }

private:
    bool ChackPropaty();
    void ResetReadState();
    void ChooseStart();
    static unsigned ThreadEntry(void* pParam);
    void ThreadProc();
    bool SkipOffsetUnits();
    DWORD TickWait();
    bool Wait(DWORD ms);
    int32_t DataWrite();
    // The buffer's level 0 (below 69 %) to 4 (full), by its bytes and its entries.
    int32_t ChackBufferSize();
    void AdaptInterval(int32_t level);
    int32_t PrepareRecord();
    int32_t FetchRecord(bool bFirstData);
    int32_t StoreRecord(const uint8_t* pRecord);
    bool IsPastRange();
    bool Accept();
    int32_t TakeStreamInfo(bool bFirstData);
    int32_t ReadRecord();
    int32_t ReadFailed(int32_t status);
    int32_t WriteUnit();
    uint32_t DeliveredBefore() const;
    void PassOver();
    bool IsHalted();

    IPlayOwner* const m_pOwner;
    CCamParm* const m_pCamParm;
    CPlayIndexedBuffer* const m_pBuffer;
    const PlaySettings* const m_pSettings;
    const CMinvaultLibrary* const m_pLibrary;
    std::wstring m_Path;
    CMinvault* m_pSearch = nullptr;
    CWorkerThread m_Thread;

    std::vector<uint8_t> m_Data;  // the unit read, until it is in the buffer
    uint32_t m_dwUnitSize = 0;
    uint8_t m_bFirstUnit = 1;
    uint8_t m_bResume = 0;
    uint16_t m_usStatus = kStatusNothingYet;
    MinuteFileRecord m_Record;
    uint8_t m_bUnitType = 0xFF;
    int16_t m_nPrepare = -1;  // -1 reset, 1 accepted and not read, 0 read
    uint8_t m_bWriteError = 0;
    bool m_bWritePending = false;  // read, waiting for room in the buffer
    StreamInfoBlock m_UnitInfo = {};
    uint16_t m_usUnitStatus = 0;  // the gap mark of the unit
    uint32_t m_dwInterval = 0;
    int64_t m_llTop = 0, m_llStart = 0, m_llEnd = 0;
    int64_t m_llPreviousUnitTime = 0;
    // The place of each unit among the units of its second, and where a restart starts.
    bool m_bCounting = false;
    uint16_t m_usOrdinal = 0;
    uint16_t m_usUnitOrdinal = 0;
    uint16_t m_usStartOrdinal = 0;
    uint32_t m_dwStartSkip = 0;  // bytes of the first unit delivered before the restart
    DWORD m_dwLastWait = 0;
};
