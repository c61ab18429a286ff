#include "dialog/mount_listing.h"

#include <algorithm>
#include <exception>

#include "dialog/form_values.h"
#include "host/codes.h"
#include "host/property_value.h"
#include "query/host_key_pin.h"
#include "query/query_state.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/scope_exit.h"

namespace tavrix {

namespace {

void ClearWorking(DialogToolkit& toolkit) {
    toolkit.SetText(ControlId::lblworking, "");
    toolkit.Repaint(ControlId::lblworking);
}

void RunQuery(RemoteQuery& query, const QueryInputs& inputs) {
    SetUpListingQuery(inputs);
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();
}

// The query ended because the server showed another key than the pinned one.
bool KeyChanged(const std::string& pin) {
    return !pin.empty() && !gOfferedHostKey.empty() && gOfferedHostKey != pin;
}

void RunListing(DialogToolkit& toolkit, RemoteQuery& query, MountPicker& picker, bool& started) {
    toolkit.SetText(ControlId::lblworking, "Working...");
    toolkit.Repaint(ControlId::lblworking);

    const FormValues values = ReadFormValues(toolkit);
    const MissingLogin missing = FindMissingLogin(values.username, values.password, values.keyfile);
    if (missing != MissingLogin::None) {
        toolkit.MessageBox(
            missing == MissingLogin::Username ? kNoUsernameMessage : kNoPasswordMessage,
            MessageStyle::Stop);
        toolkit.SetText(ControlId::lblworking, "");
        return;
    }

    started = true;
    QueryInputs inputs = ListingInputs(values, toolkit.GetText(ControlId::txtHostname),
                                       toolkit.GetText(ControlId::txtTimeout));
    RunQuery(query, inputs);
    if (KeyChanged(inputs.hostKey)) {
        // Nothing of the login has left the machine yet.
        if (!toolkit.AskYesNo(
                HostKeyChangedQuestion(inputs.hostname, inputs.hostKey, gOfferedHostKey))) {
            ClearWorking(toolkit);
            return;
        }
        inputs.hostKey = gOfferedHostKey;
        toolkit.SetText(ControlId::txtHostKey, HostKeyFieldText(inputs.hostKey));
        RunQuery(query, inputs);
    } else if (inputs.hostKey.empty() && !gOfferedHostKey.empty()) {
        toolkit.SetText(ControlId::txtHostKey, gOfferedHostKey);  // OK pins it
    }

    // The header of this listing, if one came; a listing without output keeps
    // the label as it was.
    if (!gExpectHeader) {
        toolkit.SetText(ControlId::lblFirstLine, gFirstLine);
    }
    if (!gErrorText.empty()) {
        toolkit.MessageBox("Problem: " + gErrorText, MessageStyle::Plain);
        ClearWorking(toolkit);
        return;
    }
    ClearWorking(toolkit);
    // Closing the list without a pick keeps the mount the user typed.
    if (picker.Open(gHostname, ListedMounts())) {
        toolkit.SetText(ControlId::txtResource, gChosenMount);
    }
}

}  // namespace

std::string HostKeyChangedQuestion(std::string_view host, std::string_view pin,
                                   std::string_view offered) {
    return "WARNING: the host key of " + std::string(host) + " has changed.\n\nExpected:\n" +
           std::string(pin) + "\n\nThe server offered:\n" + std::string(offered) +
           "\n\nAnother machine may be answering in its place. Send the login to it only if "
           "you know why the key changed.\n\nTrust the new key?";
}

QueryInputs ListingInputs(const FormValues& values, std::string_view hostname,
                          std::string_view timeout) {
    QueryInputs inputs;
    inputs.timeout = TimeoutSeconds(std::string(timeout));
    inputs.hostname = hostname;
    inputs.username = values.username;
    inputs.password = values.password;
    inputs.keyfile = values.keyfile;
    inputs.keyType =
        CodeAt(kKeyTypeCodes, values.keyTypeIndex).value_or(kKeyTypeCodes[kKeyTypeRsa]);
    // A combo box the user typed into chooses nothing: the protocol and the OS
    // then stay as the previous query on this thread left them.
    inputs.protocol = CodeAt(kProtocolCodes, values.protocolIndex);
    inputs.port = NarrowToInt16(ReadKeyNumber(values.port));
    inputs.os = CodeAt(kOsCodes, values.osIndex);
    inputs.eol = CodeAt(kEolCodes, values.eolIndex).value_or(kEolCodes[kEolLf]);
    inputs.hostKey = NormalizedPin(values.hostKey);
    return inputs;
}

std::vector<std::string> ListedMounts() {
    const std::size_t count = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<int>(gMountCount, 0)), gMountRecords.size());
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back(gMountRecords[i].Mount);
    }
    return lines;
}

void ListMounts(DialogToolkit& toolkit, RemoteQuery& query, MountPicker& picker) {
    // Whatever happened, the client of a started listing goes: the picker
    // keeps no connection open behind the dialog.
    bool started = false;
    const ScopeExit release([&] {
        if (started) {
            query.ReleaseClient();
        }
    });
    try {
        RunListing(toolkit, query, picker, started);
    } catch (const std::exception& error) {
        try {
            toolkit.MessageBox(UnexpectedFailureText(error.what()), MessageStyle::Plain);
            toolkit.SetText(ControlId::lblworking, "");
        } catch (...) {
            // The toolkit itself is failing; nothing is left to tell the user with.
        }
        started = true;
    }
}

}  // namespace tavrix
