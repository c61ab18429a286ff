#pragma once
// A settings form on a recording toolkit, with the check object's query.

#include <string>

#include "dialog/settings_form.h"
#include "query/remote_query.h"
#include "recording_toolkit.h"

namespace tavrix::dialog_test {

struct DialogFixture {
    RecordingToolkit ui;
    RemoteQuery query;
    SettingsForm form{ui, query};
};

// What the dialog shows in one control: a text box's text, a combo box's
// chosen position, the check box's state.
struct ControlExpectation {
    ControlId id;
    std::string text;
    int listIndex = -1;
    bool checked = false;
};

}  // namespace tavrix::dialog_test
