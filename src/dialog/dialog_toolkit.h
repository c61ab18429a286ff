#pragma once
// The small dialog toolkit the settings form and the mount picker are written
// against. A platform layer (Win32 on Windows, a recording one in the tests)
// implements it; the forms above it never see a window handle.
//
// Contract for an implementation:
// - Load creates a window hidden, with every control of the layout table
//   (dialog_layout.h) in its first state: texts empty, labels, buttons and the
//   check box showing their caption, lists empty with no entry chosen, the
//   check box clear, enabled as the table says. Unload destroys it.
// - Control identifiers are stable numbers and may serve as the platform's own
//   control identifiers.
// - Events go to the DialogEvents given to Load: OnControlEvent(id) when a
//   control raises the event its table row names (a button is clicked, the
//   user chooses an entry of a combo box whose row names Click, a list line is
//   double-clicked). Setting a value from code raises no event.
// - ShowModal blocks, running the window's own message loop, until the window
//   is unloaded: by Unload (from a handler) or by the close box, which first
//   asks OnCloseRequest and keeps the window open when it answers false.
// - An exception that escapes a handler must not cross the platform's own
//   callbacks: the window is unloaded, ShowModal returns by rethrowing it, and
//   so it reaches the caller of the dialog (the COM layer turns it into a
//   failing HRESULT).
// - Nothing here throws for ordinary use; a platform failure may throw
//   Failure.

#include <cstdint>
#include <string>
#include <string_view>

// <windows.h> defines MessageBox as a macro (MessageBoxA or MessageBoxW);
// included first, it would rename the member below in that file only.
#ifdef MessageBox
#undef MessageBox
#endif

namespace tavrix {

enum class WindowId {
    Settings,   // the settings form
    MountList,  // the mount picker's list window
};

// Numbered from 1001 so that the values can be used as Win32 control IDs as
// they are. Never renumber: a platform layer may keep them in resources.
enum class ControlId : int {
    // Settings form, data controls.
    txtHostname = 1001,
    cmbProtocol,
    txtPort,
    txtUsername,
    txtPassword,
    txtKeyfile,
    cmbKeyType,
    cmbOS,
    cmbBlockSize,
    cmbEOL,
    txtResource,
    btListResources,
    txtCompareValue,
    cmbUnit,
    btOK,
    txtTimeout,
    chkReturn_as_number,
    lblworking,
    lblFirstLine,
    txtHostKey,
    btForgetHostKey,
    // Settings form, caption labels.
    lblCaptionHostname = 1101,
    lblCaptionProtocol,
    lblCaptionPort,
    lblCaptionUsername,
    lblCaptionPassword,
    lblCaptionKeyfile,
    lblCaptionKeyType,
    lblCaptionOS,
    lblCaptionBlockSize,
    lblCaptionEOL,
    lblCaptionCheck,
    lblCaptionAlert,
    lblCaptionFree,
    lblCaptionTimeout,
    lblCaptionSeconds,
    lblCaptionHostKey,
    // Mount list window.
    lstResources = 1201,
    Label1,
};

enum class ControlKind {
    TextBox,
    PasswordBox,  // a text box that shows "*" for every character
    ComboBox,     // a drop-down list with an edit field the user may type into
    CheckBox,
    Label,
    Button,
    ListBox,  // unsorted, single selection
};

// The event a control reports through DialogEvents::OnControlEvent.
enum class ControlEvent {
    None,
    Click,     // button pressed; for a combo box: the user chose an entry
    DblClick,  // list box line double-clicked
};

// Message box styles, as numbers the platform passes on unchanged.
enum class MessageStyle : int {
    Plain = 0,          // OK button, no icon: failures
    Stop = 16,          // OK button, stop icon: refusals
    WarningYesNo = 52,  // Yes and No buttons, warning icon: AskYesNo
};

class DialogEvents {
  public:
    virtual ~DialogEvents() = default;
    virtual void OnControlEvent(ControlId id) = 0;
    // The user asks to close the window with its close box (or Alt+F4).
    // Returning false keeps it open.
    virtual bool OnCloseRequest(WindowId window) = 0;
};

class DialogToolkit {
  public:
    virtual ~DialogToolkit() = default;

    // Windows.
    virtual void Load(WindowId window, DialogEvents& events) = 0;
    virtual bool IsLoaded(WindowId window) const = 0;
    virtual void Unload(WindowId window) = 0;  // also ends its ShowModal
    virtual void ShowModal(WindowId window) = 0;
    virtual void SetCaption(WindowId window, std::string_view caption) = 0;
    // Topmost on (true) or off; returns what the platform call returned when
    // switching on (non-zero on success) and always 0 when switching off.
    virtual std::int32_t SetTopmost(WindowId window, bool topmost) = 0;
    // A message box without a title of its own, owned by the window in front.
    virtual void MessageBox(std::string_view text, MessageStyle style) = 0;
    // The same with Yes and No buttons and a warning icon: true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;

    // Controls of a loaded window. Text is a text box's text, a combo box's
    // edit field, the caption of a label, button or check box, and for a list
    // box the selected line (empty when none is selected).
    virtual std::string GetText(ControlId id) const = 0;
    virtual void SetText(ControlId id, std::string_view text) = 0;
    virtual bool IsEnabled(ControlId id) const = 0;
    virtual void SetEnabled(ControlId id, bool enabled) = 0;
    // Paints the control now, without waiting for the message loop.
    virtual void Repaint(ControlId id) = 0;

    // Combo boxes and the list box. ListIndex is the position of the chosen
    // entry from 0, -1 when none is chosen; text typed into a combo box's edit
    // field leaves none chosen. Choosing an entry from code also puts its text
    // into the edit field.
    virtual void ClearItems(ControlId id) = 0;
    virtual void AddItem(ControlId id, std::string_view text) = 0;  // appended at the end
    virtual int ItemCount(ControlId id) const = 0;
    virtual int GetListIndex(ControlId id) const = 0;
    virtual void SetListIndex(ControlId id, int index) = 0;

    // The check box.
    virtual bool GetChecked(ControlId id) const = 0;
    virtual void SetChecked(ControlId id, bool checked) = 0;
};

}  // namespace tavrix
