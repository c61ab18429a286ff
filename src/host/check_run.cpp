#include "host/check_run.h"

#include <exception>

#include "host/evaluation.h"
#include "host/parameter_string.h"
#include "query/query_state.h"
#include "support/base64.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/trace.h"

namespace tavrix {

namespace {

// Fills the query state from the properties and the parameter string.
EvaluationSettings ReadSettings(const CheckObject& check) {
    gTimeout = TimeoutSeconds(check.kx_timeout);
    gHostname = PropertyText(check.kx_hostname);
    const std::string parameters = PropertyText(check.kx_parameter);

    EvaluationSettings settings;
    gUsername = GetKeyValue(parameters, "USR");
    gPassword = Base64Decode(GetKeyValue(parameters, "PWD"));
    gProtocol = GetKeyValue(parameters, "PROTO");
    gPort = NarrowToInt16(ReadKeyNumber(GetKeyValue(parameters, "PORT")));
    gKeyfile = GetKeyValue(parameters, "KEYF");
    gKeyType = GetKeyValue(parameters, "KEYT");
    gOS = GetKeyValue(parameters, "OS");
    settings.blockSize = NarrowToInt32(ReadKeyNumber(GetKeyValue(parameters, "BLK")));
    gResource = GetKeyValue(parameters, "RES");
    settings.unit = GetKeyValue(parameters, "UNIT");
    settings.compareValue = ReadKeyNumber(GetKeyValue(parameters, "COM"));
    gEOL = GetKeyValue(parameters, "EOL");
    settings.returnAsNumber = GetKeyValue(parameters, "RAN") == "1";
    gHostKey = GetKeyValue(parameters, "HKEY");
    settings.resource = gResource;
    settings.os = gOS;
    return settings;
}

std::string FailureText(const std::string& description) {
    return "ERR: " + description + "( 0)";
}

}  // namespace

bool CheckObject::kx_docheck() {
    const auto started = std::chrono::steady_clock::now();
    CheckOutcome outcome;
    try {
        const EvaluationSettings settings = ReadSettings(*this);
        outcome.blockSize = settings.blockSize;
        gExpectHeader = true;

        if (gUsername.empty()) {
            outcome.refused = true;
            outcome.text = "ERR: can't connect to an SSH server without a USERNAME";
        } else if (gKeyfile.empty() && gPassword.empty()) {
            outcome.refused = true;
            outcome.text = "ERR: can't connect to an SSH server without a PASSWORD";
        } else {
            query_.Get_mount_list(gResource);
            query_.WaitUntilDisconnected();
            if (!gErrorText.empty()) {
                outcome.failed = true;
                outcome.text = gErrorText;
            } else {
                const Verdict verdict = EvaluateRecords(gMountRecords, gMountCount, settings);
                outcome.result = verdict.enough;
                outcome.text = verdict.text;
                if (verdict.recordIndex && *verdict.recordIndex < gMountRecords.size()) {
                    outcome.record = gMountRecords[*verdict.recordIndex];
                } else {
                    outcome.unknownMount = true;
                }
            }
            Trace("Return value: ", outcome.text);
        }
    } catch (const std::exception& error) {
        outcome = CheckOutcome{};
        outcome.failed = true;
        outcome.text = FailureText(error.what());
    } catch (...) {
        outcome = CheckOutcome{};
        outcome.failed = true;
        outcome.text = FailureText("Unexpected failure");
    }
    outcome.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    kx_result = outcome.text;
    last_ = std::move(outcome);
    return last_.result;
}

}  // namespace tavrix
