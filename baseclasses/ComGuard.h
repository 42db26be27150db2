#pragma once
// No exception crosses a COM method: what the standard library throws (an
// allocation that fails) becomes an HRESULT at the boundary.

#include <windows.h>

#include <new>

template <class F>
HRESULT ComGuard(F f) noexcept
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
