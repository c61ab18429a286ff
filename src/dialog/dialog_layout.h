#pragma once
// The windows and controls as data: the platform layer creates and lays out
// the controls from these tables, the recording toolkit of the tests starts
// its controls from them.

#include <span>
#include <string_view>

#include "dialog/dialog_toolkit.h"

namespace tavrix {

// Where a control sits within its row, beyond the left-to-right order of the
// table.
enum class Placement {
    Flow,         // next in the row
    RightEdge,    // at the right edge of the window, over this row and the next
    RightHalf,    // the right half of the row
    FullWidth,    // across the whole width
    FillUpper,    // fills the upper part of the window
    CentredBelow  // centred below what is above
};

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
    Placement placement;
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
