#include "playback/CFileReader.h"

#include "camera/FilterSettings.h"
#include "core/CCamParm.h"
#include "core/CPlayIndexedBuffer.h"
#include "core/PlayUnitInfo.h"
#include "core/Trace.h"
#include "playback/CMinvaultLibrary.h"
#include "playback/IPlayOwner.h"
#include "playback/PlayTime.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

constexpr uint8_t kSplitMark = 0x02;
constexpr int64_t kGapSeconds = 3;
constexpr DWORD kReaderExtraMs = 5;
constexpr DWORD kPausedFullMs = 1000;

const CWorkerThread::Policy kThreadPolicy = {5000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .threadCreateError = {1, L"CFileReader: thread create error(%d)"},
    .stopEventError = {1, L"CVFileReader: Stop event to m_FReadThread error(%d)"},
    .signalled = {0, L"VCFileReader stop event set."},
    .timedOut = {{1, L"CVCFileReader: m_hFReadThread stop time out."}},
    .cancelled = {0, L"CVCFileReader: m_hFReadThread joined."},
};

}  // namespace

CFileReader::CFileReader(IPlayOwner* pOwner, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer,
                         const PlaySettings* pSettings, const CMinvaultLibrary* pLibrary, HRESULT* phr)
    : m_pOwner(pOwner), m_pCamParm(pCamParm), m_pBuffer(pBuffer), m_pSettings(pSettings), m_pLibrary(pLibrary),
      m_Thread(kThreadPolicy, kThreadLines)
{
    if (!m_Thread.StopEvent()) {
        g_Trace(0, L"CFileReader: Instance m_FEvents err.");
        *phr = HRESULT_FROM_WIN32(GetLastError());
        return;
    }
    m_pSearch = m_pLibrary->Create();
    if (!ChackPropaty()) {
        g_Trace(0, L"CFileReader: Instance ChackPropaty err.");
        *phr = E_FAIL;
        return;
    }
    if (!m_pSearch || m_pSearch->Open(kMinvaultBadFilesInRow, kMinvaultPartSize) != 0) {
        *phr = E_FAIL;
        return;
    }
    ResetReadState();
    ChooseStart();
    m_llTop = SecondsOf(m_pSettings->stDateTop);
    m_llEnd = SecondsOf(m_pSettings->stDateEnd);
    m_pSearch->StartSearch(m_Path.c_str(), m_pSettings->bPlayArea, kMinvaultLevel, m_llStart, m_llTop, m_llEnd);
    *phr = S_OK;
}

CFileReader::~CFileReader()
{
    Stop();
    if (m_pSearch) m_pLibrary->Destroy(m_pSearch);
}

// The path is the settings' 260 characters, terminated or not.
bool CFileReader::ChackPropaty()
{
    m_Path.assign(m_pSettings->szPlayPath, wcsnlen(m_pSettings->szPlayPath, kMaxPathChars));
    const MinuteFileQuery query = RecordingEndQuery(m_Path.c_str(), false);
    uint8_t result[kMinvaultResultSize] = {};
    return m_pLibrary->SearchMinuteFile(&query, result) >= 0;
}

void CFileReader::ResetReadState()
{
    uint8_t unset[kMinuteFileRecordSize];
    std::fill(std::begin(unset), std::end(unset), 0xFF);
    m_Record = DecodeMinuteFileRecord(unset);
    m_bUnitType = 0xFF;
    m_nPrepare = -1;
    m_bWriteError = 0;
    m_bWritePending = false;
    m_bFirstUnit = 1;
}

// A restart after a rate or position change goes on from where the filter stood.
// It settles every change pending, a rate and a position alike: one left pending
// would send a later restart back to it.
void CFileReader::ChooseStart()
{
    if (m_pOwner->IsRateRestart() || m_pOwner->IsPosRestart()) {
        PlayPlace place;
        m_pOwner->GetRestartTime(&place);
        m_llStart = SecondsOf(place.time);
        m_usStartOrdinal = place.usOrdinal;
        m_dwStartSkip = place.dwDelivered;
        m_bResume = 1;
        m_pOwner->SetRateRestart(false);
        m_pOwner->SetPosRestart(false);
        return;
    }
    m_bResume = 0;
    m_pCamParm->InitCamParm();
    m_llStart = SecondsOf(m_pSettings->stDateStart);
}

HRESULT CFileReader::Initfilereader()
{
    g_Trace(0, L"Initfilereader ok.");
    return m_Thread.Start(ThreadEntry, this);
}

DWORD CFileReader::Stop()
{
    if (!m_Thread.Handle()) return 0;
    return m_Thread.Stop() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

unsigned CFileReader::ThreadEntry(void* pParam)
{
    static_cast<CFileReader*>(pParam)->ThreadProc();
    return 0;
}

void CFileReader::ThreadProc()
{
    if (!m_bResume && !SkipOffsetUnits()) return;
    g_Trace(0, L"CVCFileReader: ThreadProc create.");
    for (;;) {
        const DWORD wait = WaitForSingleObjectEx(m_Thread.StopEvent(), TickWait(), TRUE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) {
            g_Trace(0, L"CVCFileReader::ThreadProc: Stop event receive.");
            return;
        }
        if (wait != WAIT_TIMEOUT) continue;
        const int32_t result = DataWrite();
        if (result < 0) {
            g_ErrorLog(0, L"StreamThreadError", L"FileFilterThreadError:Sts(%d)", result);
            return;
        }
    }
}

// The record offset: that many units are passed over before the range is looked at.
bool CFileReader::SkipOffsetUnits()
{
    uint32_t offset = 0;
    if (m_pOwner->GetIndexOffset(&offset) != 0) return false;
    for (uint32_t n = 0; n < offset; ++n) {
        uint8_t record[kMinuteFileRecordSize];
        if (m_Thread.IsStopSet()) return false;
        if (LibraryStatusMap(m_pSearch->GetNextRecord(record)) != 0) {
            m_pCamParm->SetStatus(kStatusLibraryFailed, true);
            return false;
        }
        StoreRecord(record);
    }
    return true;
}

DWORD CFileReader::TickWait()
{
    const DWORD wait = m_pOwner->GetPushInterval(true) + kReaderExtraMs;
    if (wait != m_dwLastWait) {
        m_dwLastWait = wait;
        g_Trace(0, L"CFileReader::ThreadProc: ChangeTime(%d)", static_cast<int32_t>(wait));
    }
    return wait;
}

// False when the stop came first.
bool CFileReader::Wait(DWORD ms) { return WaitForSingleObject(m_Thread.StopEvent(), ms) == WAIT_TIMEOUT; }

bool CFileReader::IsHalted() { return m_pOwner->IsRateRestart() || m_pOwner->IsStopping(); }

// One tick: at most one unit read and written. A negative result ends the thread.
int32_t CFileReader::DataWrite()
{
    if (m_usStatus == kStatusEndOfData) {
        // Before anything was played there is no push thread to say so.
        if (!m_pCamParm->IsFirstDataGet()) m_pCamParm->SetStatus(kStatusEndOfData, true);
        return 0;
    }
    if (m_bWriteError) {
        m_pCamParm->SetStatus(kStatusBufferOverflow, true);
        return 0;
    }
    if (IsHalted()) return 0;
    if (m_bWritePending) return WriteUnit();
    const int32_t level = ChackBufferSize();
    if ((m_pOwner->IsPaused() || m_pOwner->IsStopping()) && level >= 2) {
        if (Wait(kPausedFullMs)) m_pCamParm->SetStatus(0, false);
        return 0;
    }
    AdaptInterval(level);
    if (m_dwInterval > 0 && !Wait(m_dwInterval)) return 0;
    if (level == 4) return 0;
    int32_t result = PrepareRecord();
    if (result != 0) return result;
    if (IsHalted()) return 0;
    try {
        m_Data.assign(m_dwUnitSize, 0);
    } catch (const std::bad_alloc&) {
        return kStatusOutOfMemory;
    }
    result = ReadRecord();
    if (result != 0) {
        m_Data.clear();
        return result;
    }
    return WriteUnit();
}

// Reading slows down as the buffer fills; level 4 reads nothing.
void CFileReader::AdaptInterval(int32_t level)
{
    switch (level) {
    case 0:
        if (m_dwInterval > 5) m_dwInterval -= 5;
        else if (m_dwInterval > 0) m_dwInterval -= 1;
        break;
    case 1: m_dwInterval = 1; break;
    case 2: m_dwInterval = 5; break;
    case 3: m_dwInterval = 10; break;
    default: break;
    }
}

int32_t CFileReader::ChackBufferSize()
{
    const uint32_t bytes = m_pBuffer->GetReservedBytes();
    g_Trace(0, L"ChackBufferSize size %d", bytes);
    if (bytes == 0) return 0;
    const int32_t capacity = CPlayIndexedBuffer::GetIndexCapacity();
    const int32_t free = m_pBuffer->GetFreeIndexCount();
    const int32_t indexUse = free > 0 ? (capacity - free) * 100 / capacity : 100;
    const int32_t fill = std::max(static_cast<int32_t>(uint64_t{bytes} * 100 / kFillBase), indexUse);
    if (fill < 69) return 0;
    if (fill < 80) return 1;
    if (fill < 90) return 2;
    if (fill < 100) return 3;
    return 4;
}

// Makes the next unit of the range ready: the first key unit at or after the
// start after a reset, then every unit up to the end.
int32_t CFileReader::PrepareRecord()
{
    const bool bFirstData = m_pCamParm->IsFirstDataGet();
    if (m_nPrepare != -1 && m_nPrepare != 0) return 0;
    for (;;) {
        if (IsHalted()) return 0;
        const int32_t result = FetchRecord(bFirstData);
        if (result != 0) return result;
        if (m_bUnitType != kUnitTypeVideo) {
            g_Trace(1, L"PrepareRecord: a unit of type %d carries no stream, passed over.", m_bUnitType);
            continue;
        }
        if (IsPastRange()) return kStatusEndOfData;
        if (Accept()) break;
    }
    m_bFirstUnit = 0;
    return TakeStreamInfo(bFirstData);
}

int32_t CFileReader::FetchRecord(bool bFirstData)
{
    uint8_t record[kMinuteFileRecordSize];
    const int32_t status = LibraryStatusMap(m_pSearch->GetNextRecord(record));
    if (status == kStatusEndOfData) {
        if (bFirstData) m_pBuffer->SetStatus(kStatusEndOfData);
        else m_pCamParm->SetStatus(kStatusEndOfData, true);
        m_usStatus = kStatusEndOfData;
        return status;
    }
    if (status < 0) {
        m_pCamParm->SetStatus(static_cast<uint16_t>(status), true);
        m_pBuffer->SetStatus(static_cast<uint16_t>(status));
        return status;
    }
    if (status > 0) {
        m_pBuffer->SetStatus(kStatusLibraryFailed);
        return status;
    }
    return StoreRecord(record);
}

int32_t CFileReader::StoreRecord(const uint8_t* pRecord)
{
    const MinuteFileRecord record = DecodeMinuteFileRecord(pRecord);
    if (record.size == 0) return kStatusEmptyUnit;
    m_dwUnitSize = record.size;
    m_bUnitType = record.unitType;
    if (record.unitType != kUnitTypeVideo) return 0;
    m_usOrdinal = record.unitTime == m_Record.unitTime && m_bCounting ? m_usOrdinal + 1 : 0;
    m_bCounting = true;
    m_Record = record;
    return 0;
}

// The first unit after the start that lies beyond the end ends the reading.
bool CFileReader::IsPastRange()
{
    const int64_t time = m_Record.unitTime;
    if (!(m_llStart < time && time > SecondsOf(m_pSettings->stDateEnd))) return false;
    m_pBuffer->SetStatus(kStatusEndOfData);
    m_usStatus = kStatusEndOfData;
    return true;
}

bool CFileReader::Accept()
{
    if (m_Record.unitTime < m_llStart) return false;
    if (m_Record.unitTime == m_llStart && m_usOrdinal < m_usStartOrdinal) return false;
    return !m_bFirstUnit || m_usStatus == kStatusEndOfData || m_Record.notKey == 0;
}

// The first unit played gives the stream its parameters and starts the push thread.
int32_t CFileReader::TakeStreamInfo(bool bFirstData)
{
    StreamInfoBlock block;
    BuildPlayStreamInfo(m_Record, &block);
    uint32_t width = 0, height = 0;
    PlayPictureSize(m_Record, &width, &height);
    if (!bFirstData) {
        m_pCamParm->SetPsIndexInfo(block);
        m_pCamParm->SetPictureSize(width, height);
    }
    m_UnitInfo = block;
    m_usUnitOrdinal = m_usOrdinal;
    if (m_Record.marks & kSplitMark) m_pOwner->SetSplitTime(m_Record.calendarTime);
    const int64_t time = m_Record.unitTime;
    m_usUnitStatus = bFirstData && time >= m_llPreviousUnitTime + kGapSeconds ? kStatusGap : 0;
    if (!bFirstData) m_pCamParm->SetFirstDataGet(true);
    m_llPreviousUnitTime = time;
    m_nPrepare = 1;
    return 0;
}

// The unit's data, in parts no larger than the library's part size.
int32_t CFileReader::ReadRecord()
{
    for (uint32_t done = 0; done < m_dwUnitSize;) {
        const uint32_t part = std::min(m_dwUnitSize - done, kMinvaultPartSize);
        const int32_t status = LibraryStatusMap(m_pSearch->ReadRecordData(m_Data.data() + done, part, 0));
        if (status != 0) return ReadFailed(status);
        done += part;
    }
    m_nPrepare = 0;
    return 0;
}

// A unit that cannot be read is passed over: asking for it again would only fail again.
int32_t CFileReader::ReadFailed(int32_t status)
{
    m_nPrepare = 0;
    if (status == kStatusEndOfData) {
        m_pBuffer->SetStatus(kStatusEndOfData);
        return status;
    }
    const uint16_t usStatus = static_cast<uint16_t>(status < 0 ? status : kStatusLibraryFailed);
    m_pCamParm->SetStatus(usStatus, true);
    m_pBuffer->SetStatus(usStatus);
    return status;
}

// The unit read goes in whole once the buffer has room for it.
int32_t CFileReader::WriteUnit()
{
    if (!m_pCamParm->IsFirstDataGet() || !m_pOwner->IsFileMode()) {
        m_Data.clear();
        return 0;
    }
    if (m_dwUnitSize > m_pBuffer->GetSize()) {
        PassOver();
        return 0;
    }
    const uint32_t skip = DeliveredBefore();
    const uint32_t size = m_dwUnitSize - skip;
    m_bWritePending = !m_pBuffer->HasRoomFor(size);
    if (m_bWritePending) return 0;
    m_dwStartSkip = 0;
    m_pBuffer->SetStreamInfo(m_UnitInfo);
    m_pBuffer->SetOrdinal(m_usUnitOrdinal);
    if (m_usUnitStatus != 0) m_pBuffer->SetStatus(m_usUnitStatus);
    const uint32_t notKey = skip > 0 ? 1 : m_Record.notKey;  // what is left of a unit starts at no key pack
    const IndexRequest request{size, m_Record.unitTime, kIndexKindPack, 0, notKey};
    const int32_t reqNo = m_pBuffer->WriteIndex(request);
    if (reqNo < 0) {
        g_Trace(1, L"WriteIndex: error(%d)", reqNo);
    } else if (const int32_t result = m_pBuffer->Write(m_Data.data() + skip, size, reqNo, 1); result != 0) {
        m_bWriteError = 1;
        m_nPrepare = 1;
        g_Trace(0, L"DataWrite: Video Err(%d)", result);
    }
    m_Data.clear();
    return 0;
}

// A restart goes on inside the unit it cut: the bytes of it delivered before are
// not delivered again. Only that very unit, when it is the first one played.
uint32_t CFileReader::DeliveredBefore() const
{
    if (m_dwStartSkip == 0 || m_dwStartSkip >= m_dwUnitSize) return 0;
    if (m_Record.unitTime != m_llStart || m_usUnitOrdinal != m_usStartOrdinal) return 0;
    return m_dwStartSkip;
}

// A unit larger than the whole buffer could never be played: playback goes on at
// the next key unit.
void CFileReader::PassOver()
{
    g_Trace(1, L"DataWrite: a unit of %d bytes is larger than the buffer, passed over.", m_dwUnitSize);
    m_pCamParm->SetStatus(kStatusBufferOverflow, true);
    m_bFirstUnit = 1;
    m_Data.clear();
}
