#pragma once
// A dialog toolkit without windows: keeps every control's state, records what
// the forms ask of the platform, and plays the user through scenes that run
// while a window is shown modally.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialog/dialog_toolkit.h"

namespace tavrix::dialog_test {

struct ControlState {
    std::string text;
    std::vector<std::string> items;
    int listIndex = -1;
    bool checked = false;
    bool enabled = true;
};

struct ShownMessage {
    std::string text;
    MessageStyle style;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingToolkit : public DialogToolkit {
  public:
    // Each ShowModal of `window` plays the next scene queued for it; a window
    // still open after its scene is closed with the close box.
    void WhenShown(WindowId window, std::function<void()> scene);

    // The user.
    void Type(ControlId id, const std::string& text);  // a combo box loses its choice
    void Choose(ControlId id, int index);              // combo entry or list line
    void Click(ControlId id);                          // button; the check box toggles
    void DoubleClick(ControlId id);
    bool PressCloseBox(WindowId window);  // true when the window closed

    // What the forms did.
    const ControlState& State(ControlId id) const;
    // The state a control had when its window was last unloaded (or has now).
    const ControlState& LastState(ControlId id) const { return controls_.at(id); }
    std::string Caption(WindowId window) const;
    int LoadCount(WindowId window) const;
    int ShowCount(WindowId window) const;
    std::vector<ShownMessage> messages;
    std::deque<bool> answers;           // for AskYesNo, in order; none left answers No
    std::vector<std::string> repaints;  // "<control name>=<text at that moment>"
    std::vector<std::pair<WindowId, bool>> topmostCalls;

    // DialogToolkit.
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

  private:
    struct Window {
        bool loaded = false;
        DialogEvents* events = nullptr;
        std::string caption;
        int loads = 0;
        int shows = 0;
        std::deque<std::function<void()>> scenes;
    };
    ControlState& Live(ControlId id);
    const ControlState& Live(ControlId id) const;
    void Raise(ControlId id, ControlEvent event);

    std::map<WindowId, Window> windows_;
    std::map<ControlId, ControlState> controls_;
};

}  // namespace tavrix::dialog_test
