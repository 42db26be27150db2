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
    // Unregisters one filter, then registers it again unless bRegister is false, through
    // the mapper or, where that is missing, the older one.
    static HRESULT UpdateFilter(IFilterMapper2* pMapper, const AMOVIESETUP_FILTER& setup, bool bRegister);
    static HRESULT UpdateFilter(IFilterMapper* pMapper, const AMOVIESETUP_FILTER& setup, bool bRegister);

private:
    static HRESULT ModulePath(HMODULE hModule, WCHAR (&path)[MAX_PATH]);
    static HRESULT UpdateFilters(const CFactoryTable& table, bool bRegister);
    template <class Mapper>
    static HRESULT UpdateFilters(Mapper* pMapper, const CFactoryTable& table, bool bRegister);
};
