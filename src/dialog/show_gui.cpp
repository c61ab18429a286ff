#include "dialog/show_gui.h"

namespace tavrix {

void kx_showGUI(const PropertyValue& kx_hostname, const PropertyValue& kx_timeout,
                PropertyValue& kx_parameter, SettingsForm& form) {
    form.LoadSettings(PropertyText(kx_hostname), PropertyText(kx_timeout),
                      PropertyText(kx_parameter));
    // Only this dialog's own OK may replace the settings: gNewParameters may
    // still hold the string of an earlier OK, possibly of another check.
    if (form.ShowDialog()) {
        kx_parameter = gNewParameters;
    }
}

void SetResource(SettingsForm& form, std::string_view s) {
    form.SetText(ControlId::txtResource, s);
}

}  // namespace tavrix
