#include "dialog/mount_listing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <optional>

#include "dialog/form_values.h"
#include "host/codes.h"
#include "query/query_state.h"
#include "support/failure.h"
#include "support/numbers.h"

namespace tavrix {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The time-out converts as a whole field: blanks around a number are fine,
// anything else (an empty box included) is a type mismatch. The port, by
// contrast, takes the number its text begins with.
double TimeoutFromText(std::string_view text) {
    std::string_view number = TrimBlanks(text);
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    }
    const std::string_view digits = number.substr(number.empty() || number.front() != '-' ? 0 : 1);
    if (digits.empty() ||
        !(std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.')) {
        throw Failure("Type mismatch");
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) {
        throw Failure(error == std::errc::result_out_of_range ? "Overflow" : "Type mismatch");
    }
    return value;
}

template <typename Codes>
std::optional<std::string> CodeAt(const Codes& codes, int position) {
    if (position < 0 || position >= static_cast<int>(codes.size())) {
        return std::nullopt;
    }
    return std::string(codes[static_cast<std::size_t>(position)]);
}

void ClearWorking(DialogToolkit& toolkit) {
    toolkit.SetText(ControlId::lblworking, "");
    toolkit.Repaint(ControlId::lblworking);
}

// Whatever happened, the client of a started listing goes: the picker keeps
// no connection open behind the dialog.
class ClientRelease {
  public:
    explicit ClientRelease(RemoteQuery& query) : query_(query) {}
    ~ClientRelease() {
        if (armed_) {
            query_.ReleaseClient();
        }
    }
    ClientRelease(const ClientRelease&) = delete;
    ClientRelease& operator=(const ClientRelease&) = delete;
    void Arm() { armed_ = true; }

  private:
    RemoteQuery& query_;
    bool armed_ = false;
};

void RunListing(DialogToolkit& toolkit, RemoteQuery& query, MountPicker& picker,
                ClientRelease& release) {
    toolkit.SetText(ControlId::lblworking, "Working...");
    toolkit.Repaint(ControlId::lblworking);

    const FormValues values = ReadFormValues(toolkit);
    if (values.username.empty()) {
        toolkit.MessageBox(kNoUsernameMessage, MessageStyle::Stop);
        toolkit.SetText(ControlId::lblworking, "");
        return;
    }
    if (values.password.empty() && values.keyfile.empty()) {
        toolkit.MessageBox(kNoPasswordMessage, MessageStyle::Stop);
        toolkit.SetText(ControlId::lblworking, "");
        return;
    }

    release.Arm();
    CopyFormToQueryState(values, toolkit.GetText(ControlId::txtHostname),
                         toolkit.GetText(ControlId::txtTimeout));
    gExpectHeader = true;
    gDisconnected = false;
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

void CopyFormToQueryState(const FormValues& values, std::string_view hostname,
                          std::string_view timeout) {
    gTimeout = NarrowToInt16(TimeoutFromText(timeout));
    gHostname = hostname;
    gUsername = values.username;
    gPassword = values.password;
    gKeyfile = values.keyfile;
    gKeyType = values.keyTypeIndex == 1 ? "DSA" : "RSA";
    // A combo box the user typed into chooses nothing: the protocol and the OS
    // then stay as the previous query on this thread left them.
    if (auto protocol = CodeAt(kProtocolCodes, values.protocolIndex)) {
        gProtocol = *protocol;
    }
    gPort = NarrowToInt16(ReadKeyNumber(values.port));
    if (auto os = CodeAt(kOsCodes, values.osIndex)) {
        gOS = *os;
    }
    gEOL = values.eolIndex == 0 ? "CR" : values.eolIndex == 2 ? "CRLF" : "LF";
    gResource.clear();
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
    ClientRelease release(query);
    try {
        RunListing(toolkit, query, picker, release);
    } catch (const std::exception& error) {
        try {
            toolkit.MessageBox(std::string(error.what()) + "( 0)", MessageStyle::Plain);
            toolkit.SetText(ControlId::lblworking, "");
        } catch (...) {
            // The toolkit itself is failing; nothing is left to tell the user with.
        }
        release.Arm();
    }
}

}  // namespace tavrix
