#include "dialog/mount_listing.h"

#include <algorithm>
#include <exception>

#include "dialog/form_values.h"
#include "host/codes.h"
#include "host/property_value.h"
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
    SetUpListingQuery(ListingInputs(values, toolkit.GetText(ControlId::txtHostname),
                                    toolkit.GetText(ControlId::txtTimeout)));
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();

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
    picker.Open(gHostname, ListedMounts());
    toolkit.SetText(ControlId::txtResource, gChosenMount);
}

}  // namespace

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
