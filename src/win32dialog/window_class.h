#pragma once
// The window class of the dialog windows, registered while any toolkit of
// this module lives: a plug-in DLL may be unloaded and loaded again, and a
// class left registered would point into the unloaded code.

#include <windows.h>

namespace tavrix::win32 {

// The module that holds this code (the plug-in DLL or a test program).
HINSTANCE OwnModule();

class WindowClassUse {
  public:
    explicit WindowClassUse(WNDPROC procedure);
    ~WindowClassUse();
    WindowClassUse(const WindowClassUse&) = delete;
    WindowClassUse& operator=(const WindowClassUse&) = delete;

    static const wchar_t* Name();
};

}  // namespace tavrix::win32
