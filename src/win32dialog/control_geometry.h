#pragma once
// Where each control sits, in client pixels: the rows of the layout table
// (dialog/dialog_layout.h) turned into rectangles for the Win32 windows.

#include "dialog/dialog_toolkit.h"

namespace tavrix::win32 {

struct ControlRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;  // for a combo box: the edit field; the drop-down adds to it
};

// Throws std::out_of_range for a control that has no place.
ControlRect GeometryOf(ControlId id);

// Height of the drop-down list below a combo box's edit field.
constexpr int kDropDownHeight = 220;

}  // namespace tavrix::win32
