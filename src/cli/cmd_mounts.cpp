// tavrix-check mounts: lists the mounts of a machine the way the settings
// dialog's mount picker fetches them.

#include <string>

#include "cli/check_options.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/host_key_options.h"
#include "cli/persist_option.h"
#include "host/codes.h"
#include "host/parameter_string.h"
#include "query/query_setup.h"
#include "query/remote_query.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check mounts -H HOST [-t SECONDS] --parameters-file FILE [--json]\n"
    "       tavrix-check mounts -H HOST [-t SECONDS] --user NAME --os CODE [options] [--json]\n"
    "\n"
    "Lists every mount of HOST in the order df prints them (--json: every field).\n"
    "Exit status: 0 listed, 3 refusal or error (\"Problem: \" and the reason).\n"
    "\n";

// The picker reads the form, which was loaded from the parameter string: an
// unknown OS code leaves the form's "LINUX". The other codes the form would
// also default, but the query reads them the same way in either form.
QueryInputs InputsLikeThePicker(const std::string& parameters) {
    QueryInputs inputs = QueryInputsFromParameters(parameters);
    if (PositionOf(kOsCodes, inputs.os.value_or("")) < 0) {
        inputs.os = std::string(kOsCodes[kOsLinux]);
    }
    inputs.resource.clear();
    return inputs;
}

void PrintJson(const std::string& host, const QueryOutcome& outcome) {
    std::string json = "{\"host\":" + JsonString(host) +
                       ",\"header\":" + JsonString(outcome.header) +
                       ",\"count\":" + std::to_string(outcome.records.size()) + ",\"records\":[";
    for (std::size_t i = 0; i < outcome.records.size(); ++i) {
        json += (i == 0 ? "" : ",") + JsonRecord(outcome.records[i]);
    }
    PrintLine(json + "]}");
}

}  // namespace

int RunMounts(const std::vector<std::string>& argList) {
    auto known = SettingOptions();
    known.push_back({"--host", "-H", true, {"--hostname"}});
    known.push_back({"--timeout", "-t", true});
    for (const auto& option : ParameterOptions()) {
        known.push_back(option);
    }
    known.push_back(ModernOnlyOption());
    known.push_back(PersistOption());
    known.push_back({"--json", "", false});
    for (const OptionInfo& option : HostKeyOptions()) {
        known.push_back(option);
    }
    const Arguments args(argList, WithCommonOptions(known));
    if (HandleCommonOptions(args, kHelp + ParameterOptionsHelp() + SettingOptionsHelp() +
                                      ModernOnlyHelp() + PersistOptionHelp() + CommonOptionsHelp() +
                                      kHostKeyOptionsHelp)) {
        return kExitOk;
    }
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    const std::string host = ToCore(args.Required("--host"), "-H");
    const int seconds = TimeLimitOption(args).seconds;
    const std::string parameters = WithHostKeyOption(args, ParametersFromArguments(args, false));

    const auto timeout = static_cast<std::int16_t>(seconds);
    QueryInputs inputs = InputsLikeThePicker(parameters);
    inputs.hostname = host;
    inputs.timeout = timeout;
    const MissingLogin missing = FindMissingLogin(inputs);
    if (missing == MissingLogin::Username) {
        PrintError(std::string(kNoUsernameMessage));
        return kExitUnknown;
    }
    if (missing == MissingLogin::Password) {
        PrintError(std::string(kNoPasswordMessage));
        return kExitUnknown;
    }
    if (!InstallSshTransportFor(args, parameters)) {
        PrintError("tavrix-check: this build has no SSH transport");
        return kExitUnknown;
    }

    SetUpListingQuery(inputs);
    RemoteQuery query;
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();
    query.ReleaseClient();
    const QueryOutcome outcome = query.Outcome();
    if (!outcome.errorText.empty()) {
        PrintError("Problem: " + ForTerminal(outcome.errorText));
        return kExitUnknown;
    }
    if (args.Has("--json")) {
        PrintJson(inputs.hostname, outcome);
    } else {
        for (const MountRecord& record : outcome.records) {
            PrintLine(ForTerminal(record.Mount));
        }
    }
    LeaveHolderIfAsked();
    return kExitOk;
}

}  // namespace tavrix::cli
