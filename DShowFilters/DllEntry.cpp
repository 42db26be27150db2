// The module's entry points: the class factory and registration over the
// module's template table.

#include "baseclasses/CClassFactory.h"
#include "baseclasses/CModuleRegistrar.h"

namespace {

HMODULE g_hModule = nullptr;

// The classes this module serves; the filter and its property page join it.
const CFactoryTable g_FactoryTable = {nullptr, 0};

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
