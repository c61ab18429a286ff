#include "host/check_run.h"

#include <exception>

#include "host/parameter_string.h"
#include "query/query_state.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/trace.h"

namespace tavrix {

namespace {

struct CheckSettings {
    QueryInputs query;
    EvaluationSettings evaluation;
};

CheckSettings ReadSettings(const CheckObject& check) {
    const std::int16_t timeout = TimeoutSeconds(check.kx_timeout);
    const std::string parameters = PropertyText(check.kx_parameter);
    CheckSettings settings;
    settings.query = QueryInputsFromParameters(parameters);
    settings.query.hostname = PropertyText(check.kx_hostname);
    settings.query.timeout = timeout;

    EvaluationSettings& evaluation = settings.evaluation;
    evaluation.blockSize = NarrowToInt32(ReadKeyNumber(GetKeyValue(parameters, "BLK")));
    evaluation.unit = GetKeyValue(parameters, "UNIT");
    evaluation.compareValue = ReadKeyNumber(GetKeyValue(parameters, "COM"));
    evaluation.returnAsNumber = GetKeyValue(parameters, "RAN") == "1";
    evaluation.resource = settings.query.resource;
    evaluation.os = settings.query.os.value_or("");
    return settings;
}

constexpr const char* kBeyondRecordLimit =
    "The mount is not among the first 32,767 records; the rest of the output was not read";

void Evaluate(const EvaluationSettings& settings, CheckOutcome& outcome) {
    const QueryOutcome& query = outcome.query;
    const Verdict verdict =
        EvaluateRecords(query.records, static_cast<int>(query.records.size()), settings);
    outcome.result = verdict.enough;
    outcome.text = verdict.text;
    if (verdict.recordIndex) {
        outcome.record = query.records[*verdict.recordIndex];
    } else {
        outcome.status = CheckStatus::UnknownMount;
        if (query.recordLimitReached) {
            outcome.text = kBeyondRecordLimit;
        }
    }
}

}  // namespace

bool CheckObject::kx_docheck() {
    return Run({}).result;
}

const CheckOutcome& CheckObject::Run(const QueryAdjustment& adjust) {
    const auto started = std::chrono::steady_clock::now();
    CheckOutcome outcome;
    try {
        CheckSettings settings = ReadSettings(*this);
        if (adjust) {
            adjust(settings.query);
        }
        outcome.settings = settings.evaluation;
        outcome.blockSize = settings.evaluation.blockSize;
        SetUpCheckQuery(settings.query);

        const MissingLogin missing = FindMissingLogin(settings.query);
        if (missing == MissingLogin::Username) {
            outcome.status = CheckStatus::Refused;
            outcome.text = "ERR: can't connect to an SSH server without a USERNAME";
        } else if (missing == MissingLogin::Password) {
            outcome.status = CheckStatus::Refused;
            outcome.text = "ERR: can't connect to an SSH server without a PASSWORD";
        } else {
            query_.Get_mount_list(gResource);
            query_.WaitUntilDisconnected();
            outcome.query = query_.Outcome();
            if (!outcome.query.errorText.empty()) {
                outcome.status =
                    outcome.query.timedOut ? CheckStatus::TimedOut : CheckStatus::Failed;
                outcome.text = outcome.query.errorText;
            } else if (settings.query.allMounts) {
                outcome.status = CheckStatus::Listed;
            } else {
                Evaluate(settings.evaluation, outcome);
            }
            Trace("Return value: ", outcome.text);
        }
    } catch (const std::exception& error) {
        outcome = CheckOutcome{};
        outcome.status = CheckStatus::Failed;
        outcome.text = FailureText(error.what());
    } catch (...) {
        outcome = CheckOutcome{};
        outcome.status = CheckStatus::Failed;
        outcome.text = FailureText("Unexpected failure");
    }
    outcome.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    kx_result = outcome.text;
    last_ = std::move(outcome);
    return last_;
}

}  // namespace tavrix
