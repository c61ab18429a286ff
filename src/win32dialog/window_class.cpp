#include "win32dialog/window_class.h"

#include <mutex>
#include <string>

#include "support/failure.h"

namespace tavrix::win32 {

namespace {

std::mutex gClassMutex;
int gClassUsers = 0;  // toolkits of all threads

}  // namespace

HINSTANCE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

const wchar_t* WindowClassUse::Name() {
    return L"TavrixDialogWindow";
}

WindowClassUse::WindowClassUse(WNDPROC procedure) {
    const std::lock_guard lock(gClassMutex);
    if (gClassUsers == 0) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = OwnModule();
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = Name();
        if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            throw Failure("Cannot register the dialog window class (error " +
                          std::to_string(GetLastError()) + ")");
        }
    }
    ++gClassUsers;
}

WindowClassUse::~WindowClassUse() {
    const std::lock_guard lock(gClassMutex);
    if (--gClassUsers == 0) {
        UnregisterClassW(Name(), OwnModule());
    }
}

}  // namespace tavrix::win32
