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
    // The host key the check trusts: shown, learned by a listing, never typed.
    ControlEntry{lblCaptionHostKey, "lblCaptionHostKey", kForm, Label, "Host key:", 2, Right, true,
                 None},
    ControlEntry{txtHostKey, "txtHostKey", kForm, TextBox, "", 2, Left, false, None},
    ControlEntry{btForgetHostKey, "btForgetHostKey", kForm, Button, "Forget", 2, Left, true, Click},
    ControlEntry{lblCaptionProtocol, "lblCaptionProtocol", kForm, Label, "Protocol:", 3, Right,
                 true, None},
    ControlEntry{cmbProtocol, "cmbProtocol", kForm, ComboBox, "", 3, Left, true, None},
    ControlEntry{lblCaptionPort, "lblCaptionPort", kForm, Label, "Port:", 3, Right, true, None},
    ControlEntry{txtPort, "txtPort", kForm, TextBox, "", 3, Left, true, None},
    ControlEntry{lblCaptionUsername, "lblCaptionUsername", kForm, Label, "User Name:", 4, Right,
                 true, None},
    ControlEntry{txtUsername, "txtUsername", kForm, TextBox, "", 4, Left, true, None},
    ControlEntry{lblCaptionPassword, "lblCaptionPassword", kForm, Label, "Password:", 4, Right,
                 true, None},
    ControlEntry{txtPassword, "txtPassword", kForm, PasswordBox, "", 4, Left, true, None},
    ControlEntry{lblCaptionKeyfile, "lblCaptionKeyfile", kForm, Label, "Key file:", 5, Right, true,
                 None},
    ControlEntry{txtKeyfile, "txtKeyfile", kForm, TextBox, "", 5, Left, true, None},
    ControlEntry{lblCaptionKeyType, "lblCaptionKeyType", kForm, Label, "Key type:", 5, Right, true,
                 None},
    ControlEntry{cmbKeyType, "cmbKeyType", kForm, ComboBox, "", 5, Left, true, None},
    ControlEntry{lblCaptionOS, "lblCaptionOS", kForm, Label, "OS:", 6, Right, true, None},
    ControlEntry{cmbOS, "cmbOS", kForm, ComboBox, "", 6, Left, true, Click},
    ControlEntry{lblCaptionBlockSize, "lblCaptionBlockSize", kForm, Label, "Block size:", 7, Right,
                 true, None},
    ControlEntry{cmbBlockSize, "cmbBlockSize", kForm, ComboBox, "", 7, Left, true, None},
    ControlEntry{lblCaptionEOL, "lblCaptionEOL", kForm, Label, "End of line:", 7, Right, true,
                 None},
    ControlEntry{cmbEOL, "cmbEOL", kForm, ComboBox, "", 7, Left, true, None},
    // Rows 8 and 9 read as one sentence: Check (mount) and alert when less
    // then (value) (unit) are free.
    ControlEntry{lblCaptionCheck, "lblCaptionCheck", kForm, Label, "Check", 8, Right, true, None},
    ControlEntry{txtResource, "txtResource", kForm, TextBox, "", 8, Left, true, None},
    ControlEntry{btListResources, "btListResources", kForm, Button, "...", 8, Left, true, Click},
    ControlEntry{lblCaptionAlert, "lblCaptionAlert", kForm, Label, "and alert when less then", 8,
                 Left, true, None},
    ControlEntry{btOK, "btOK", kForm, Button, "&OK", 8, Left, true, Click},
    ControlEntry{txtCompareValue, "txtCompareValue", kForm, TextBox, "", 9, Left, true, None},
    ControlEntry{cmbUnit, "cmbUnit", kForm, ComboBox, "", 9, Left, true, None},
    ControlEntry{lblCaptionFree, "lblCaptionFree", kForm, Label, "are free", 9, Left, true, None},
    ControlEntry{lblCaptionTimeout, "lblCaptionTimeout", kForm, Label, "Timeout:", 10, Right, true,
                 None},
    ControlEntry{txtTimeout, "txtTimeout", kForm, TextBox, "", 10, Left, false, None},
    ControlEntry{lblCaptionSeconds, "lblCaptionSeconds", kForm, Label, "seconds", 10, Left, true,
                 None},
    ControlEntry{chkReturn_as_number, "chkReturn_as_number", kForm, CheckBox,
                 "Return as number (for RRD logging)", 10, Left, true, None},
    ControlEntry{lblworking, "lblworking", kForm, Label, "", 11, Left, true, None},
    ControlEntry{lblFirstLine, "lblFirstLine", kForm, Label, "", 12, Left, true, None},
    ControlEntry{lstResources, "lstResources", kList, ListBox, "", 1, Left, true, DblClick},
    ControlEntry{Label1, "Label1", kList, Label, "Select a mount by double clicking it.", 2, Centre,
                 true, None},
};

constexpr std::array kWindows = {
    WindowEntry{WindowId::Settings, "frmmain", 540, 354, true},
    WindowEntry{WindowId::MountList, "frmResourceList", 312, 213, false},
};

constexpr std::array kTabOrder = {
    txtHostname, txtHostKey,          cmbProtocol,     txtPort,
    txtUsername, txtPassword,         cmbOS,           cmbBlockSize,
    btOK,        txtCompareValue,     btListResources, txtTimeout,
    cmbEOL,      txtResource,         cmbUnit,         cmbKeyType,
    txtKeyfile,  chkReturn_as_number, btForgetHostKey,
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
