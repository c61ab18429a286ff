#include "dialog/dialog_layout.h"

#include <array>
#include <stdexcept>
#include <string>

namespace tavrix {

namespace {

using enum ControlId;
using enum ControlKind;
using enum Placement;
using enum Alignment;
using enum ControlEvent;

constexpr WindowId kForm = WindowId::Settings;
constexpr WindowId kList = WindowId::MountList;

// Neither button is a default or cancel button: Enter and Esc press nothing.
constexpr std::array kControls = {
    ControlSpec{lblCaptionHostname, "lblCaptionHostname", kForm, Label, "Hostname:", 1, Flow, Right,
                true, None},
    ControlSpec{txtHostname, "txtHostname", kForm, TextBox, "", 1, Flow, Left, false, None},
    ControlSpec{lblCaptionProtocol, "lblCaptionProtocol", kForm, Label, "Protocol:", 2, Flow, Right,
                true, None},
    ControlSpec{cmbProtocol, "cmbProtocol", kForm, ComboBox, "", 2, Flow, Left, true, None},
    ControlSpec{lblCaptionPort, "lblCaptionPort", kForm, Label, "Port:", 2, Flow, Right, true,
                None},
    ControlSpec{txtPort, "txtPort", kForm, TextBox, "", 2, Flow, Left, true, None},
    ControlSpec{lblCaptionUsername, "lblCaptionUsername", kForm, Label, "User Name:", 3, Flow,
                Right, true, None},
    ControlSpec{txtUsername, "txtUsername", kForm, TextBox, "", 3, Flow, Left, true, None},
    ControlSpec{lblCaptionPassword, "lblCaptionPassword", kForm, Label, "Password:", 3, Flow, Right,
                true, None},
    ControlSpec{txtPassword, "txtPassword", kForm, PasswordBox, "", 3, Flow, Left, true, None},
    ControlSpec{lblCaptionKeyfile, "lblCaptionKeyfile", kForm, Label, "Key file:", 4, Flow, Right,
                true, None},
    ControlSpec{txtKeyfile, "txtKeyfile", kForm, TextBox, "", 4, Flow, Left, true, None},
    ControlSpec{lblCaptionKeyType, "lblCaptionKeyType", kForm, Label, "Key type:", 4, Flow, Right,
                true, None},
    ControlSpec{cmbKeyType, "cmbKeyType", kForm, ComboBox, "", 4, Flow, Left, true, None},
    ControlSpec{lblCaptionOS, "lblCaptionOS", kForm, Label, "OS:", 5, Flow, Right, true, None},
    ControlSpec{cmbOS, "cmbOS", kForm, ComboBox, "", 5, Flow, Left, true, Click},
    ControlSpec{lblCaptionBlockSize, "lblCaptionBlockSize", kForm, Label, "Block size:", 6, Flow,
                Right, true, None},
    ControlSpec{cmbBlockSize, "cmbBlockSize", kForm, ComboBox, "", 6, Flow, Left, true, None},
    ControlSpec{lblCaptionEOL, "lblCaptionEOL", kForm, Label, "End of line:", 6, Flow, Right, true,
                None},
    ControlSpec{cmbEOL, "cmbEOL", kForm, ComboBox, "", 6, Flow, Left, true, None},
    // Rows 7 and 8 read as one sentence: Check (mount) and alert when less
    // then (value) (unit) are free.
    ControlSpec{lblCaptionCheck, "lblCaptionCheck", kForm, Label, "Check", 7, Flow, Right, true,
                None},
    ControlSpec{txtResource, "txtResource", kForm, TextBox, "", 7, Flow, Left, true, None},
    ControlSpec{btListResources, "btListResources", kForm, Button, "...", 7, Flow, Left, true,
                Click},
    ControlSpec{lblCaptionAlert, "lblCaptionAlert", kForm, Label, "and alert when less then", 7,
                Flow, Left, true, None},
    ControlSpec{btOK, "btOK", kForm, Button, "&OK", 7, RightEdge, Left, true, Click},
    ControlSpec{txtCompareValue, "txtCompareValue", kForm, TextBox, "", 8, Flow, Left, true, None},
    ControlSpec{cmbUnit, "cmbUnit", kForm, ComboBox, "", 8, Flow, Left, true, None},
    ControlSpec{lblCaptionFree, "lblCaptionFree", kForm, Label, "are free", 8, Flow, Left, true,
                None},
    ControlSpec{lblCaptionTimeout, "lblCaptionTimeout", kForm, Label, "Timeout:", 9, Flow, Right,
                true, None},
    ControlSpec{txtTimeout, "txtTimeout", kForm, TextBox, "", 9, Flow, Left, false, None},
    ControlSpec{lblCaptionSeconds, "lblCaptionSeconds", kForm, Label, "seconds", 9, Flow, Left,
                true, None},
    ControlSpec{chkReturn_as_number, "chkReturn_as_number", kForm, CheckBox,
                "Return as number (for RRD logging)", 9, Flow, Left, true, None},
    ControlSpec{lblworking, "lblworking", kForm, Label, "", 10, RightHalf, Left, true, None},
    ControlSpec{lblFirstLine, "lblFirstLine", kForm, Label, "", 11, FullWidth, Left, true, None},
    ControlSpec{lstResources, "lstResources", kList, ListBox, "", 1, FillUpper, Left, true,
                DblClick},
    ControlSpec{Label1, "Label1", kList, Label, "Select a mount by double clicking it.", 2,
                CentredBelow, Centre, true, None},
};

constexpr std::array kWindows = {
    WindowSpec{WindowId::Settings, "frmmain", 540, 326, true},
    WindowSpec{WindowId::MountList, "frmResourceList", 312, 213, false},
};

constexpr std::array kTabOrder = {
    txtHostname,  cmbProtocol, txtPort,         txtUsername,     txtPassword,         cmbOS,
    cmbBlockSize, btOK,        txtCompareValue, btListResources, txtTimeout,          cmbEOL,
    txtResource,  cmbUnit,     cmbKeyType,      txtKeyfile,      chkReturn_as_number,
};

}  // namespace

std::span<const ControlSpec> ControlTable() {
    return kControls;
}

const ControlSpec& SpecOf(ControlId id) {
    for (const ControlSpec& spec : kControls) {
        if (spec.id == id) {
            return spec;
        }
    }
    throw std::out_of_range("unknown control id " + std::to_string(static_cast<int>(id)));
}

std::span<const WindowSpec> WindowTable() {
    return kWindows;
}

std::span<const ControlId> SettingsTabOrder() {
    return kTabOrder;
}

}  // namespace tavrix
