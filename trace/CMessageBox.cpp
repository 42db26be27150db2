#include "trace/CMessageBox.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<CMessageBox::Hook> g_Hook{nullptr};
}

void CMessageBox::Show(const wchar_t* text, const wchar_t* caption)
{
    if (const Hook hook = g_Hook.load()) {
        hook(text, caption);
        return;
    }
    MessageBoxW(nullptr, text, caption, MB_OK);
}

void CMessageBox::SetHook(Hook hook) { g_Hook = hook; }
