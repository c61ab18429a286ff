#include "query/remote_query.h"

#include <algorithm>
#include <exception>

#include "query/df_command.h"
#include "query/df_parser.h"
#include "query/host_key_pin.h"
#include "query/query_state.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/trace.h"

namespace tavrix {

namespace {

constexpr std::int16_t kDefaultSshPort = 22;
constexpr std::chrono::seconds kTimeLimitWhenUnset{60};

int ProtocolChoice(const std::string& protocol) {
    if (protocol == "1") {
        return kProtocolSsh1;
    }
    if (protocol == "2") {
        return kProtocolSsh2;
    }
    return kProtocolEither;  // "A" and anything else
}

constexpr const char* kTooMuchOutput = "The server sent more output than a df listing can hold";

std::string DescriptionOf(const std::exception& error, const std::string& fallback) {
    const std::string text = error.what();
    return text.empty() ? fallback : text;
}

}  // namespace

void RemoteQuery::Get_mount_list(const std::optional<std::string>& MountName) {
    // Loading the key counts against the time limit as well.
    const std::chrono::seconds limit =
        gTimeout > 0 ? std::chrono::seconds(gTimeout) : kTimeLimitWhenUnset;
    waitSeconds_ = static_cast<std::int16_t>(limit.count());
    waitLimit_ = std::chrono::steady_clock::now() + limit + kWaitGrace;
    ResetMountRecords();
    capture_.Reset(gExpectHeader);
    connectedSeen_ = false;
    outputBytes_ = 0;
    tooMuchOutput_ = false;
    timedOut_ = false;
    hostKeyRefusal_.clear();
    gOfferedHostKey.clear();
    inodeOutput_.clear();
    inodeDfSent_ = gDfRequest.withInodes && InodeDfCommand(gOS).has_value();
    split_.Reset(inodeDfSent_ ? kInodeMarker : std::string_view());
    gInodes = InodeListing{};
    gInodes.asked = gDfRequest.withInodes;
    if (gDfRequest.withInodes && !inodeDfSent_) {
        gInodes.problem = NoInodeFiguresText(gOS);
    }
    std::string mount = MountName.value_or(std::string());
    if (mount == "-1") {
        mount.clear();
    }

    try {
        SshPlatform& platform = CurrentSshPlatform();
        Ssh = platform.CreateClient();  // lets the previous query's client go
        Ssh->SetNotifications(this);
        std::unique_ptr<SshKey> key = platform.CreateKey();

        Ssh->SetPresetFlag(true);
        Ssh->SetHost(gHostname);
        Ssh->SetPresetNumber(kPresetNumber);
        Ssh->SetPort(gPort);
        Ssh->SetUser(gUsername);
        Ssh->SetPassword(gPassword);
        if (!gKeyfile.empty()) {
            key->LoadKeyFile(
                gKeyfile, gPassword.empty() ? std::nullopt : std::optional<std::string>(gPassword));
            Ssh->SetLoginMethod(kLoginByKey);
            Ssh->SetLoginKey(key->ExportKey(gKeyType == "DSA" ? kKeyDsa : kKeyRsa));
        }
        if (const std::optional<std::string> command =
                BuildCheckDfCommand(gOS, mount, gDfRequest)) {
            Ssh->SetCommand(*command);
        }
        Ssh->SetProtocolChoice(ProtocolChoice(gProtocol));
        Ssh->SetPort(gPort == 0 ? kDefaultSshPort : gPort);
        Ssh->SetTimeLimit(gTimeout);
        if (const std::string keyType = PinKeyType(gHostKey); !keyType.empty()) {
            Ssh->PreferHostKeyType(keyType);
        }
    } catch (const std::exception& error) {
        // Nothing was sent; a caller that waits anyway must not wait for ever.
        EndQuery(DescriptionOf(error, "The SSH session could not be prepared"));
        throw;
    }

    gDisconnected = false;
    gErrorText.clear();
    try {
        Ssh->OpenConnection();
    } catch (const std::exception& error) {
        gErrorText = DescriptionOf(error, "The SSH connection could not be opened");
        gDisconnected = true;
    }
}

void RemoteQuery::WaitUntilDisconnected() {
    try {
        while (!gDisconnected) {
            if (!Ssh) {
                EndQuery("No remote query is running");
                return;
            }
            if (std::chrono::steady_clock::now() >= waitLimit_) {
                timedOut_ = true;
                EndQuery("Time-out: the SSH session did not end within " +
                         FormatNumber(waitSeconds_) + " seconds");
                return;
            }
            CurrentSshPlatform().WaitAndProcess(*Ssh, waitLimit_);
            if (tooMuchOutput_ && !gDisconnected) {
                EndQuery(kTooMuchOutput);  // the server would go on until the time limit
                return;
            }
        }
    } catch (const std::exception& error) {
        EndQuery(DescriptionOf(error, "The SSH session failed"));
    }
}

void RemoteQuery::EndQuery(const std::string& errorText) {
    Ssh.reset();  // closes whatever the session still holds
    gErrorText = errorText;
    gDisconnected = true;
}

void RemoteQuery::ReleaseClient() {
    Ssh.reset();
}

QueryOutcome CurrentQueryOutcome() {
    QueryOutcome outcome;
    outcome.errorText = gErrorText;
    const std::size_t count = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<int>(gMountCount, 0)), gMountRecords.size());
    outcome.records.assign(gMountRecords.begin(),
                           gMountRecords.begin() + static_cast<std::ptrdiff_t>(count));
    outcome.header = gExpectHeader ? std::string() : gFirstLine;
    outcome.hasTypeColumn = gHasTypeColumn;
    outcome.recordLimitReached = gRecordLimitReached;
    outcome.offeredHostKey = gOfferedHostKey;
    outcome.inodes = gInodes;
    return outcome;
}

QueryOutcome RemoteQuery::Outcome() const {
    QueryOutcome outcome = CurrentQueryOutcome();
    outcome.timedOut = timedOut_;
    return outcome;
}

void RemoteQuery::Connected(std::int16_t errorCode, const std::string& errorText) {
    connectedSeen_ = true;
    if (tooMuchOutput_) {
        return;  // the session is being given up for that reason
    }
    timedOut_ = timedOut_ || errorCode == kErrorTimeLimit;
    if (errorCode != 0 && !hostKeyRefusal_.empty()) {
        gErrorText = hostKeyRefusal_;  // says more than the client's own refusal
    } else if (errorCode != 0) {
        // An empty text would let the failure pass for a query without the mount.
        gErrorText = errorText.empty()
                         ? "The SSH connection failed (error " + FormatNumber(errorCode) + ")"
                         : errorText;
    }
}

void RemoteQuery::CryptoInformation(const std::string&, const std::string&, const std::string&,
                                    const std::string&, const std::string&, bool&) {}

// Decides before the client sends any user name, password or key signature.
void RemoteQuery::HostFingerprint(const std::string& fingerprint, bool& accept) {
    gOfferedHostKey = fingerprint;
    const std::string pin = NormalizedPin(gHostKey);
    if (pin.empty()) {
        Trace("Host key not pinned: ", fingerprint);
        return;
    }
    if (fingerprint != pin) {
        hostKeyRefusal_ = HostKeyChangedText(gHostname, pin, fingerprint);
        Trace(hostKeyRefusal_);
        accept = false;
    }
}

void RemoteQuery::Received(std::int16_t byteCount) {
    if (!Ssh) {
        return;
    }
    connectedSeen_ = true;
    try {
        const std::string piece = Ssh->TakeReceived(byteCount, kReceivedAsText);
        if (tooMuchOutput_) {
            return;  // dropped: the session is being given up
        }
        outputBytes_ += piece.size();
        if (outputBytes_ > kMaxOutputBytes) {
            Trace("More than ", static_cast<double>(kMaxOutputBytes),
                  " bytes of output; the rest was not read");
            tooMuchOutput_ = true;
            gErrorText = kTooMuchOutput;
            return;
        }
        std::string space;
        std::string inodes;
        split_.Take(piece, space, inodes);
        inodeOutput_ += inodes;
        ParseSpaceOutput(space);
    } catch (const std::exception& error) {
        // Output that was lost must not pass for a listing without the mount.
        gErrorText = "The command's output could not be read: " + std::string(error.what());
    }
}

void RemoteQuery::ParseSpaceOutput(const std::string& text) {
    if (text.empty()) {
        return;
    }
    const std::string ready = capture_.Take(text, LineSeparator(gEOL));
    if (!ready.empty()) {
        Splitt_in_lines(ready);
    }
}

void RemoteQuery::FinishInodes() {
    if (!inodeDfSent_) {
        return;
    }
    if (!split_.MarkerSeen()) {
        gInodes.problem = "the inode listing did not arrive";
        return;
    }
    gInodes = ParseInodeOutput(inodeOutput_, gOS, gEOL);
    inodeOutput_.clear();
}

void RemoteQuery::Disconnected() {
    Trace("SSH disconnected");
    if (tooMuchOutput_) {
        gDisconnected = true;
        return;
    }
    try {
        ParseSpaceOutput(split_.TakeRest());
        const std::string rest = capture_.TakeRest();
        if (!rest.empty()) {
            Splitt_in_lines(rest);
        }
        FinishInodes();
    } catch (const std::exception& error) {
        gErrorText = "The command's output could not be read: " + std::string(error.what());
    }
    if (!connectedSeen_ && gErrorText.empty()) {
        gErrorText = "The SSH session ended before it connected";
    }
    gDisconnected = true;
}

}  // namespace tavrix
