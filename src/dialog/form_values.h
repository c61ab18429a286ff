#pragma once
// The settings as the settings form's controls hold them, read in one go.

#include <string>
#include <string_view>

#include "dialog/dialog_toolkit.h"
#include "host/parameter_string.h"

namespace tavrix {

// What the host key field shows without a pin.
inline constexpr std::string_view kHostKeyNotChecked = "not checked";

// The host key field's text for a pin (empty: kHostKeyNotChecked).
std::string HostKeyFieldText(std::string_view pin);

// Reads the loaded settings form's controls: texts as they stand, list
// positions (-1 where the user typed into a combo box), the check box.
FormValues ReadFormValues(const DialogToolkit& toolkit);

}  // namespace tavrix
