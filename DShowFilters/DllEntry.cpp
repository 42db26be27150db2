// The module's entry points: the class factory and registration over the
// module's template table.

#include "DShowFilters/CVCodecSourceFilter.h"
#include "propertypage/CVCSourceProp.h"
#include "baseclasses/CClassFactory.h"
#include "baseclasses/CModuleRegistrar.h"

#include <uuids.h>

namespace {

HMODULE g_hModule = nullptr;

const AMOVIESETUP_MEDIATYPE kProgramType = {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG2_PROGRAM};
const AMOVIESETUP_MEDIATYPE kRecordingType = {&MEDIATYPE_Stream, &MEDIASUBTYPE_RecStream};

// Both pins register as "Output"; their run-time names differ.
const AMOVIESETUP_PIN kPins[] = {
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kProgramType},
    {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kRecordingType},
};

const AMOVIESETUP_FILTER kFilterSetup = {
    &CLSID_VCodecSourceFilter, L"VELMAR Vireo Codec Source Filter", MERIT_NORMAL, 2, kPins,
};

// The classes this module serves: the filter, and its property page with its dialog.
const CFactoryTemplate g_Templates[] = {
    {L"VELMAR Vireo Codec Source Filter", &CLSID_VCodecSourceFilter, CVCodecSourceFilter::CreateInstance, nullptr,
     &kFilterSetup},
    {L"VELMAR Vireo Codec Source Property Page", &CLSID_VCSourceProp, CVCSourceProp::CreateInstance, nullptr, nullptr},
};
const CFactoryTable g_FactoryTable = {g_Templates, sizeof(g_Templates) / sizeof(g_Templates[0])};

void RunInitRoutines(BOOL bLoading)
{
    for (int i = 0; i < g_FactoryTable.cTemplates; i++) {
        const CFactoryTemplate& entry = g_FactoryTable.pTemplates[i];
        if (entry.m_lpfnInit) entry.m_lpfnInit(bLoading, entry.m_ClsID);
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(hModule);
        g_hModule = hModule;
        RunInitRoutines(TRUE);
    } else if (dwReason == DLL_PROCESS_DETACH) {
        RunInitRoutines(FALSE);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return CClassFactory::GetClassObject(g_FactoryTable, rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return CClassFactory::CanUnloadNow(); }

STDAPI DllRegisterServer() { return CModuleRegistrar::RegisterServer(g_hModule, g_FactoryTable); }

STDAPI DllUnregisterServer() { return CModuleRegistrar::UnregisterServer(g_hModule, g_FactoryTable); }
