#pragma once
// The check run of kx_docheck, portable: the COM class and the command line
// both call it.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/evaluation.h"
#include "host/property_value.h"
#include "query/mount_record.h"
#include "query/query_setup.h"
#include "query/remote_query.h"

namespace tavrix {

enum class CheckStatus {
    Evaluated,     // the mount's record was found and judged
    Listed,        // every mount was asked for (allMounts): the records are the listing
    Refused,       // stopped before the query (no user, no password)
    Failed,        // the query's failure text, or an "ERR: " failure
    TimedOut,      // the time limit ended the query; the text says so
    UnknownMount,  // the query ran, the mount was not among its records
};

struct CheckOutcome {
    bool result = false;
    std::string text;
    CheckStatus status = CheckStatus::Evaluated;
    std::optional<MountRecord> record;  // the record that was evaluated
    // The settings read from the parameter string (mount, OS, block size,
    // unit, threshold); empty when reading them failed.
    EvaluationSettings settings;
    std::int32_t blockSize = 0;
    // What the query left: its records (only the mount's lines unless every
    // mount was asked for), header, type column and failure.
    QueryOutcome query;
    std::chrono::milliseconds elapsed{0};
};

// Changes the query inputs read from the parameter string before the query
// starts: the command line asks for every mount this way, and for what only
// it wants (types, inode figures).
using QueryAdjustment = std::function<void(QueryInputs&)>;

// The check object's four properties and kx_docheck. One object per check; the
// query state is per thread, so one check at a time on a thread.
class CheckObject {
  public:
    PropertyValue kx_hostname;
    PropertyValue kx_timeout;
    PropertyValue kx_parameter;
    PropertyValue kx_result;

    // Never throws: every outcome is the Boolean and kx_result.
    bool kx_docheck();
    // kx_docheck with the inputs adjusted; also sets kx_result. Never throws.
    const CheckOutcome& Run(const QueryAdjustment& adjust);
    const CheckOutcome& LastOutcome() const { return last_; }

    RemoteQuery& Query() { return query_; }

  private:
    RemoteQuery query_;  // the settings form's query part: owns the SSH client
    CheckOutcome last_;
};

}  // namespace tavrix
