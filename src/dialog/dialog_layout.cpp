#include "dialog/dialog_layout.h"

#include <array>
#include <stdexcept>
#include <string>

namespace tavrix {

namespace {

using enum ControlId;
using enum ControlKind;
using enum Alignment;
using enum ControlEvent;

constexpr WindowId kForm = WindowId::Settings;
constexpr WindowId kList = WindowId::MountList;

// Neither button is a default or cancel button: Enter and Esc press nothing.
constexpr std::array kControls = {
    ControlEntry{lblCaptionHostname, "lblCaptionHostname", kForm, Label, "Hostname:", 1, Right,
                 true, None},
    ControlEntry{txtHostname, "txtHostname", kForm, TextBox, "", 1, Left, false, None},
    ControlEntry{lblCaptionProtocol, "lblCaptionProtocol", kForm, Label, "Protocol:", 2, Right,
                 true, None},
    ControlEntry{cmbProtocol, "cmbProtocol", kForm, ComboBox, "", 2, Left, true, None},
    ControlEntry{lblCaptionPort, "lblCaptionPort", kForm, Label, "Port:", 2, Right, true, None},
    ControlEntry{txtPort, "txtPort", kForm, TextBox, "", 2, Left, true, None},
    ControlEntry{lblCaptionUsername, "lblCaptionUsername", kForm, Label, "User Name:", 3, Right,
                 true, None},
    ControlEntry{txtUsername, "txtUsername", kForm, TextBox, "", 3, Left, true, None},
    ControlEntry{lblCaptionPassword, "lblCaptionPassword", kForm, Label, "Password:", 3, Right,
                 true, None},
    ControlEntry{txtPassword, "txtPassword", kForm, PasswordBox, "", 3, Left, true, None},
    ControlEntry{lblCaptionKeyfile, "lblCaptionKeyfile", kForm, Label, "Key file:", 4, Right, true,
                 None},
    ControlEntry{txtKeyfile, "txtKeyfile", kForm, TextBox, "", 4, Left, true, None},
    ControlEntry{lblCaptionKeyType, "lblCaptionKeyType", kForm, Label, "Key type:", 4, Right, true,
                 None},
    ControlEntry{cmbKeyType, "cmbKeyType", kForm, ComboBox, "", 4, Left, true, None},
    ControlEntry{lblCaptionOS, "lblCaptionOS", kForm, Label, "OS:", 5, Right, true, None},
    ControlEntry{cmbOS, "cmbOS", kForm, ComboBox, "", 5, Left, true, Click},
    ControlEntry{lblCaptionBlockSize, "lblCaptionBlockSize", kForm, Label, "Block size:", 6, Right,
                 true, None},
    ControlEntry{cmbBlockSize, "cmbBlockSize", kForm, ComboBox, "", 6, Left, true, None},
    ControlEntry{lblCaptionEOL, "lblCaptionEOL", kForm, Label, "End of line:", 6, Right, true,
                 None},
    ControlEntry{cmbEOL, "cmbEOL", kForm, ComboBox, "", 6, Left, true, None},
    // Rows 7 and 8 read as one sentence: Check (mount) and alert when less
    // then (value) (unit) are free.
    ControlEntry{lblCaptionCheck, "lblCaptionCheck", kForm, Label, "Check", 7, Right, true, None},
    ControlEntry{txtResource, "txtResource", kForm, TextBox, "", 7, Left, true, None},
    ControlEntry{btListResources, "btListResources", kForm, Button, "...", 7, Left, true, Click},
    ControlEntry{lblCaptionAlert, "lblCaptionAlert", kForm, Label, "and alert when less then", 7,
                 Left, true, None},
    ControlEntry{btOK, "btOK", kForm, Button, "&OK", 7, Left, true, Click},
    ControlEntry{txtCompareValue, "txtCompareValue", kForm, TextBox, "", 8, Left, true, None},
    ControlEntry{cmbUnit, "cmbUnit", kForm, ComboBox, "", 8, Left, true, None},
    ControlEntry{lblCaptionFree, "lblCaptionFree", kForm, Label, "are free", 8, Left, true, None},
    ControlEntry{lblCaptionTimeout, "lblCaptionTimeout", kForm, Label, "Timeout:", 9, Right, true,
                 None},
    ControlEntry{txtTimeout, "txtTimeout", kForm, TextBox, "", 9, Left, false, None},
    ControlEntry{lblCaptionSeconds, "lblCaptionSeconds", kForm, Label, "seconds", 9, Left, true,
                 None},
    ControlEntry{chkReturn_as_number, "chkReturn_as_number", kForm, CheckBox,
                 "Return as number (for RRD logging)", 9, Left, true, None},
    ControlEntry{lblworking, "lblworking", kForm, Label, "", 10, Left, true, None},
    ControlEntry{lblFirstLine, "lblFirstLine", kForm, Label, "", 11, Left, true, None},
    ControlEntry{lstResources, "lstResources", kList, ListBox, "", 1, Left, true, DblClick},
    ControlEntry{Label1, "Label1", kList, Label, "Select a mount by double clicking it.", 2, Centre,
                 true, None},
};

constexpr std::array kWindows = {
    WindowEntry{WindowId::Settings, "frmmain", 540, 326, true},
    WindowEntry{WindowId::MountList, "frmResourceList", 312, 213, false},
};

constexpr std::array kTabOrder = {
    txtHostname,  cmbProtocol, txtPort,         txtUsername,     txtPassword,         cmbOS,
    cmbBlockSize, btOK,        txtCompareValue, btListResources, txtTimeout,          cmbEOL,
    txtResource,  cmbUnit,     cmbKeyType,      txtKeyfile,      chkReturn_as_number,
};

}  // namespace

std::span<const ControlEntry> ControlTable() {
    return kControls;
}

const ControlEntry& EntryOf(ControlId id) {
    for (const ControlEntry& entry : kControls) {
        if (entry.id == id) {
            return entry;
        }
    }
    throw std::out_of_range("unknown control id " + std::to_string(static_cast<int>(id)));
}

std::span<const WindowEntry> WindowTable() {
    return kWindows;
}

std::span<const ControlId> SettingsTabOrder() {
    return kTabOrder;
}

}  // namespace tavrix
