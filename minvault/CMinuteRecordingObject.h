#pragma once
// The recorder that CreateMinuteRecording hands out: the core's assembler and
// minute recorder over the recording folder on disk. One thread at a time.

#include "core/CMinuteRecorder.h"
#include "core/CPackUnitAssembler.h"
#include "minvault/CWinMinuteStore.h"
#include "minvault/MinuteRecording.h"

class CMinuteRecordingObject final : public CMinuteRecording {
public:
    CMinuteRecordingObject(const wchar_t* pszFolder, uint8_t area) : m_Store(pszFolder), m_Area(area) {}
    ~CMinuteRecordingObject() { Finish(); }

    int32_t AddSample(const uint8_t* pSample, uint32_t cbSample) override;
    int32_t Finish() override;
    int32_t GetRecordingStats(MinuteRecordingStats* pStats) override;

private:
    int32_t Write();

    CWinMinuteStore m_Store;
    CMinuteRecorder m_Recorder{&m_Store};
    CPackUnitAssembler m_Assembler;
    CPackUnitAssembler::Unit m_Unit;
    const uint8_t m_Area;
};
