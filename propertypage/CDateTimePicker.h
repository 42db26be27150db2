#pragma once
// A date or time picker: its SYSTEMTIME.

#include "propertypage/CControlBase.h"

#include <commctrl.h>

class CDateTimePicker : public CControlBase {
public:
    using CControlBase::CControlBase;

    bool Get(SYSTEMTIME* pTime) const
    {
        return SendMessageW(m_hwnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pTime)) == GDT_VALID;
    }
    bool Set(const SYSTEMTIME& time) const
    {
        return SendMessageW(m_hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)) != 0;
    }
    // A picker always holds a time.
    void Clear() override {}
};
