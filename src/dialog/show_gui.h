#pragma once
// The check object's two dialog operations, portable: the COM class converts
// its VARIANTs to PropertyValue and back around these calls.

#include <string_view>

#include "dialog/settings_form.h"
#include "host/check_run.h"

namespace tavrix {

// Loads the form from the host's settings, shows it modally and topmost, and
// when OK closed it puts the new parameter string into kx_parameter. Closed
// any other way, kx_parameter stays exactly as it was. Throws Failure for a
// stored password that does not decode (the dialog is not shown then).
void kx_showGUI(const PropertyValue& kx_hostname, const PropertyValue& kx_timeout,
                PropertyValue& kx_parameter, SettingsForm& form);

// Puts `s` into the form's mount field, loading the form if need be.
void SetResource(SettingsForm& form, std::string_view s);

}  // namespace tavrix
