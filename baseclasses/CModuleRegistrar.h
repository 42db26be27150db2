#pragma once
// Registration of a module's COM classes (HKEY_CLASSES_ROOT\CLSID) and of its
// filters (the system's filter mapper), from the module's template table.

#include "baseclasses/FactoryTemplate.h"

class CModuleRegistrar {
public:
    // Writes every class's keys, then enters every filter with setup data in the
    // mapper, each unregistered first so that a second registration replaces the first.
    static HRESULT RegisterServer(HMODULE hModule, const CFactoryTable& table);
    // Takes the filters out of the mapper; only when that succeeds, the classes' keys.
    static HRESULT UnregisterServer(HMODULE hModule, const CFactoryTable& table);

    static HRESULT RegisterClass(const CFactoryTemplate& entry, const WCHAR* pModulePath);
    static HRESULT UnregisterClass(const CFactoryTemplate& entry);

private:
    static HRESULT ModulePath(HMODULE hModule, WCHAR (&path)[MAX_PATH]);
    static HRESULT UpdateFilters(const CFactoryTable& table, bool bRegister);
    static HRESULT RegisterFilter(IFilterMapper2* pMapper, const AMOVIESETUP_FILTER& setup);
};
