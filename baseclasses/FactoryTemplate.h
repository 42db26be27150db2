#pragma once
// What a module tells the framework about each COM class it serves: the class
// factory creates objects from it, registration writes it to the registry and the
// filter mapper.

#include "baseclasses/CUnknown.h"

#include <strmif.h>

using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
using AMOVIESETUP_PIN = REGFILTERPINS;

struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const AMOVIESETUP_PIN* lpPin;
};

using LPFNNewCOMObject = CUnknown* (*)(IUnknown* pUnkOuter, HRESULT* phr);
using LPFNInitRoutine = void (*)(BOOL bLoading, const CLSID* rclsid);

struct CFactoryTemplate {
    const WCHAR* m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID rclsid) const { return *m_ClsID == rclsid; }
};

struct CFactoryTable {
    const CFactoryTemplate* pTemplates;
    int cTemplates;
};
