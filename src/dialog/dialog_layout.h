#pragma once
// The windows and controls as data: the platform layer creates and lays out
// the controls from these tables, the recording toolkit of the tests starts
// its controls from them.

#include <span>
#include <string_view>

#include "dialog/dialog_toolkit.h"

namespace tavrix {

// How a label's text lines up: caption labels stand right-aligned against the
// control they name; those that read on from the control before them are left-
// aligned.
enum class Alignment { Left, Right, Centre };

struct ControlEntry {
    ControlId id;
    std::string_view name;  // the control's name, for logs and tests
    WindowId window;
    ControlKind kind;
    std::string_view caption;  // labels, buttons, the check box; "&" marks the access key
    int row;                   // from 1, top to bottom
    Alignment alignment;
    bool enabled;
    ControlEvent event;
};

struct WindowEntry {
    WindowId id;
    std::string_view name;
    int clientWidth;  // pixels, approximate
    int clientHeight;
    bool hasOwnIcon;
};

// Every control of both windows, grouped by window, in row order and left to
// right within a row.
std::span<const ControlEntry> ControlTable();
const ControlEntry& EntryOf(ControlId id);  // throws std::out_of_range for an unknown id

std::span<const WindowEntry> WindowTable();

// The settings form's tab order. Disabled controls stay in it but take no
// focus, so the first enabled one has the focus when the dialog opens.
std::span<const ControlId> SettingsTabOrder();

}  // namespace tavrix
