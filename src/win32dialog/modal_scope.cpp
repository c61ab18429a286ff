#include "win32dialog/modal_scope.h"

namespace tavrix::win32 {

namespace {

struct Collect {
    HWND modal;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM context) {
    auto* collect = reinterpret_cast<Collect*>(context);
    if (window != collect->modal && IsWindowVisible(window) && IsWindowEnabled(window)) {
        collect->windows->push_back(window);
    }
    return TRUE;
}

}  // namespace

ModalScope::ModalScope(HWND modal) : previousActive_(GetActiveWindow()) {
    Collect collect{modal, &disabled_};
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&collect));
    for (HWND window : disabled_) {
        EnableWindow(window, FALSE);
    }
}

void ModalScope::EnableOthers() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) {
            EnableWindow(window, TRUE);
        }
    }
    disabled_.clear();
}

ModalScope::~ModalScope() {
    EnableOthers();
    if (previousActive_ != nullptr && IsWindow(previousActive_)) {
        SetActiveWindow(previousActive_);
    }
}

}  // namespace tavrix::win32
