#pragma once
// The settings form: its controls, lists and defaults, the block size rule,
// loading from the host's settings, OK and the "..." button.

#include <span>
#include <string>
#include <string_view>

#include "dialog/dialog_toolkit.h"
#include "dialog/mount_picker.h"
#include "host/parameter_string.h"
#include "query/remote_query.h"

namespace tavrix {

// The parameter string the last accepted OK built on this thread. Nothing
// resets it; only the OK of the dialog being shown may hand it to the host.
extern thread_local std::string gNewParameters;

// "Tavrix checker: External COM check (version 1.0 build 72)".
std::string FormatWindowCaption(int major, int minor, int build);
// The caption for this build's own version numbers.
std::string SettingsWindowCaption();

class SettingsForm : public DialogEvents {
  public:
    // The query is the check object's own: the form runs its listing on it.
    SettingsForm(DialogToolkit& toolkit, RemoteQuery& query);
    ~SettingsForm() override;
    SettingsForm(const SettingsForm&) = delete;
    SettingsForm& operator=(const SettingsForm&) = delete;

    // Control access from outside the form. The first access after the form
    // was created or unloaded loads it, and Form_Load runs before the access
    // goes on.
    std::string Text(ControlId id);
    void SetText(ControlId id, std::string_view text);
    int ListIndex(ControlId id);
    void SetListIndex(ControlId id, int index);  // on cmbOS also runs cmbOS_Click
    bool Value(ControlId id);
    void SetValue(ControlId id, bool checked);

    bool IsLoaded() const;
    void Unload();

    // Fills the form from the host's settings: host name and time-out (blanks
    // trimmed), then every key of the parameter string. Throws Failure for a
    // password that does not decode; no control has been set from the
    // parameter string then.
    void LoadSettings(std::string_view hostname, std::string_view timeout,
                      std::string_view parameters);

    // Makes the form topmost and shows it modally. True when OK closed it,
    // false when the user closed it otherwise.
    bool ShowDialog();

    // Handlers.
    void Form_Load();
    void cmbOS_Click();
    // Refuses with a message, the dialog staying open, when the port or the
    // threshold holds no number. Ignored while a listing runs.
    void btOK_Click();
    // Ignored while a listing runs: the listing owns the query state, and the
    // form must stay loaded until it has written its result.
    void btListResources_Click();
    // Clears the pinned host key: the next listing learns the key anew.
    void btForgetHostKey_Click();

    void OnControlEvent(ControlId id) override;
    bool OnCloseRequest(WindowId window) override;

    bool ListingRunning() const { return listingRunning_; }

  private:
    void EnsureLoaded();
    void FillList(ControlId id, std::span<const std::string_view> entries, int chosen);

    DialogToolkit& toolkit_;
    RemoteQuery& query_;
    MountPicker picker_;
    bool closedByOk_ = false;
    bool listingRunning_ = false;
};

}  // namespace tavrix
