#include "dialog/form_values.h"

namespace tavrix {

std::string HostKeyFieldText(std::string_view pin) {
    return std::string(pin.empty() ? kHostKeyNotChecked : pin);
}

FormValues ReadFormValues(const DialogToolkit& toolkit) {
    FormValues values;
    values.username = toolkit.GetText(ControlId::txtUsername);
    values.password = toolkit.GetText(ControlId::txtPassword);
    values.protocolIndex = toolkit.GetListIndex(ControlId::cmbProtocol);
    values.port = toolkit.GetText(ControlId::txtPort);
    values.keyfile = toolkit.GetText(ControlId::txtKeyfile);
    values.keyTypeIndex = toolkit.GetListIndex(ControlId::cmbKeyType);
    values.osIndex = toolkit.GetListIndex(ControlId::cmbOS);
    values.blockSizeIndex = toolkit.GetListIndex(ControlId::cmbBlockSize);
    values.resource = toolkit.GetText(ControlId::txtResource);
    values.unitIndex = toolkit.GetListIndex(ControlId::cmbUnit);
    values.compareValue = toolkit.GetText(ControlId::txtCompareValue);
    values.eolIndex = toolkit.GetListIndex(ControlId::cmbEOL);
    values.returnAsNumber = toolkit.GetChecked(ControlId::chkReturn_as_number);
    // The field takes no typing: it shows the pin, or the words for none.
    values.hostKey = toolkit.GetText(ControlId::txtHostKey);
    if (values.hostKey == kHostKeyNotChecked) {
        values.hostKey.clear();
    }
    return values;
}

}  // namespace tavrix
