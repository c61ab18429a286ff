#pragma once
// The settings as the settings form's controls hold them, read in one go.

#include "dialog/dialog_toolkit.h"
#include "host/parameter_string.h"

namespace tavrix {

// Reads the loaded settings form's controls: texts as they stand, list
// positions (-1 where the user typed into a combo box), the check box.
FormValues ReadFormValues(const DialogToolkit& toolkit);

}  // namespace tavrix
