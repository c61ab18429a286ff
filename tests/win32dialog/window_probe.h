#pragma once
// Finding and reading windows from a test thread, the way a person looks at
// the screen: by class and caption, with a deadline instead of a sleep.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace tavrix::win32::test {

using namespace std::chrono_literals;

// Polls `ready` until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit = 15s);

std::wstring TextOf(HWND window);  // WM_GETTEXT, also across threads
std::wstring ClassOf(HWND window);

// A visible top-level window of `thread` with this class (and caption, when
// given); nullptr when there is none.
HWND FindThreadWindow(DWORD thread, const std::wstring& className,
                      const std::wstring& caption = {});

// A visible message box owned by `owner`.
HWND FindMessageBox(DWORD thread, HWND owner);
// The text a message box shows.
std::wstring MessageBoxText(HWND box);

// Writes what the system shows of `window` (frame included) as a 24-bit BMP,
// read through the screen's device context. True when written.
bool CaptureWindow(HWND window, const std::string& bmpPath);

}  // namespace tavrix::win32::test
