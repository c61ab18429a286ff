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

struct CheckOutcome {
    bool result = false;
    std::string text;
    bool refused = false;  // stopped before the query (no user, no password)
    bool failed = false;   // gErrorText, or an "ERR: " failure
    bool unknownMount = false;
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
