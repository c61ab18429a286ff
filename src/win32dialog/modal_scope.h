#pragma once
// While a window runs modally, the thread's other visible windows take no
// input, as with any modal dialog; they are enabled again, and the window
// that was active is activated again, when the scope ends.

#include <windows.h>

#include <vector>

namespace tavrix::win32 {

class ModalScope {
  public:
    explicit ModalScope(HWND modal);
    ~ModalScope();
    // Enables the other windows again, before the modal window goes, so that
    // the system hands the activation back to them rather than elsewhere.
    void EnableOthers();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

  private:
    HWND previousActive_;
    std::vector<HWND> disabled_;
};

}  // namespace tavrix::win32
