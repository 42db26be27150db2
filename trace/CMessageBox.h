#pragma once
// Every message box of the module goes through here, so that a test can take the
// text instead of waiting for a click on a window nobody sees.

class CMessageBox {
public:
    using Hook = void (*)(const wchar_t* text, const wchar_t* caption);

    // Modal, no owner window, OK only; or the hook's, when one is set.
    static void Show(const wchar_t* text, const wchar_t* caption);
    // nullptr restores the real box.
    static void SetHook(Hook hook);
};
