#pragma once
// The check run of kx_docheck, portable: the COM class and the command line
// both call it.

#include <chrono>
#include <optional>
#include <string>

#include "host/property_value.h"
#include "query/mount_record.h"
#include "query/remote_query.h"

namespace tavrix {

enum class CheckStatus {
    Evaluated,     // the mount's record was found and judged
    Refused,       // stopped before the query (no user, no password)
    Failed,        // gErrorText, or an "ERR: " failure
    UnknownMount,  // the query ran, the mount was not among its records
};

struct CheckOutcome {
    bool result = false;
    std::string text;
    CheckStatus status = CheckStatus::Evaluated;
    std::optional<MountRecord> record;  // the record that was evaluated
    std::int32_t blockSize = 0;
    std::chrono::milliseconds elapsed{0};
};

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
    const CheckOutcome& LastOutcome() const { return last_; }

    RemoteQuery& Query() { return query_; }

  private:
    RemoteQuery query_;  // the settings form's query part: owns the SSH client
    CheckOutcome last_;
};

}  // namespace tavrix
