#pragma once
// The dialog toolkit on Win32: top-level windows of our own class with
// standard controls created from the layout table, a modal loop that keeps
// the thread's other windows disabled, and the message boxes.

#include <windows.h>
// The toolkit's MessageBox member, not the macro of windows.h (see
// dialog_toolkit.h, which may have been included before windows.h).
#undef MessageBox

#include <array>
#include <exception>
#include <vector>

#include "dialog/dialog_toolkit.h"
#include "win32dialog/modal_scope.h"
#include "win32dialog/win32_handles.h"
#include "win32dialog/window_class.h"

namespace tavrix::win32 {

class Win32Toolkit final : public DialogToolkit {
  public:
    Win32Toolkit();
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    void Load(WindowId window, DialogEvents& events) override;
    bool IsLoaded(WindowId window) const override;
    void Unload(WindowId window) override;
    void ShowModal(WindowId window) override;
    void SetCaption(WindowId window, std::string_view caption) override;
    std::int32_t SetTopmost(WindowId window, bool topmost) override;
    void MessageBox(std::string_view text, MessageStyle style) override;
    bool AskYesNo(std::string_view text) override;

    std::string GetText(ControlId id) const override;
    void SetText(ControlId id, std::string_view text) override;
    bool IsEnabled(ControlId id) const override;
    void SetEnabled(ControlId id, bool enabled) override;
    void Repaint(ControlId id) override;

    void ClearItems(ControlId id) override;
    void AddItem(ControlId id, std::string_view text) override;
    int ItemCount(ControlId id) const override;
    int GetListIndex(ControlId id) const override;
    void SetListIndex(ControlId id, int index) override;

    bool GetChecked(ControlId id) const override;
    void SetChecked(ControlId id, bool checked) override;

    // The handles of a loaded window and its controls; nullptr otherwise.
    HWND WindowHandle(WindowId window) const;
    HWND ControlHandle(ControlId id) const;

  private:
    struct WindowState {
        Win32Toolkit* toolkit = nullptr;
        WindowId id = WindowId::Settings;
        UniqueWindow window;
        DialogEvents* events = nullptr;
        // Counts unloads, so that a modal loop ends even when a handler
        // loads the window again at once.
        unsigned generation = 0;
        std::exception_ptr pending;  // escaped a handler; ShowModal rethrows it
        HWND lastFocus = nullptr;
        ModalScope* modal = nullptr;  // while ShowModal runs
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam);
    void OnCommand(WindowState& state, int controlId, int notification);
    template <typename Body>
    void RunHandler(WindowState& state, Body&& body);

    void CreateControls(WindowState& state);
    void CreateControl(HWND parent, ControlId id);
    void PlaceWindow(WindowState& state);
    void FocusFirstControl(WindowState& state);
    WindowState& State(WindowId window) { return windows_[static_cast<std::size_t>(window)]; }
    const WindowState& State(WindowId window) const {
        return windows_[static_cast<std::size_t>(window)];
    }
    HWND FrontWindow() const;

    WindowClassUse windowClass_;
    UniqueFont font_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    std::array<WindowState, 2> windows_;
};

}  // namespace tavrix::win32
