#pragma once
// One remote df query: Get_mount_list prepares a fresh SSH client and starts
// it; the notification handlers feed the parser and mark the end. The query
// state lives in query_state.h.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "query/inode_listing.h"
#include "query/marker_split.h"
#include "query/mount_record.h"
#include "query/output_capture.h"
#include "query/ssh_client.h"

namespace tavrix {

// What a finished query leaves behind, copied out of the query state: callers
// take it from here instead of reading the state after the run.
struct QueryOutcome {
    std::string errorText;  // empty unless the query failed
    // The time limit ended the query (the client's own, or the wait's bound).
    bool timedOut = false;
    std::vector<MountRecord> records;  // the parsed records, in output order
    std::string header;                // the header line; empty when none came
    bool hasTypeColumn = false;        // the header had a Type column
    bool recordLimitReached = false;   // later data lines were not parsed
    std::string offeredHostKey;        // empty until the handshake got that far
    InodeListing inodes;               // the inode df's figures, when one was asked for
};

// The query state's records, header, inode figures and failure as they stand
// on this thread (after a query, or after feeding the parser directly).
QueryOutcome CurrentQueryOutcome();

class RemoteQuery : public SshNotifications {
  public:
    // Resets the records, hands the query state to a new client and opens the
    // connection. With a pin (gHostKey) the client asks for the pinned key
    // type first, and any other key ends the query before the login with
    // HostKeyChangedText. Returns at once. A set-up failure (key file, a mount name the
    // Windows shell would interpret) ends the query with gErrorText and is
    // thrown on; a failing OpenConnection only ends the query with gErrorText.
    void Get_mount_list(const std::optional<std::string>& MountName);

    // Waits, without spinning, until gDisconnected. Bounded by the time limit
    // (gTimeout, 60 s when 0 or less), counted from the start of
    // Get_mount_list, plus kWaitGrace even if the client misbehaves: then
    // gErrorText says so and the client is let go. Output beyond
    // kMaxOutputBytes ends the query too.
    void WaitUntilDisconnected();

    static constexpr std::chrono::milliseconds kWaitGrace{250};
    // A df listing of 32,767 mounts is about 3 MB.
    static constexpr std::size_t kMaxOutputBytes = 64 * 1024 * 1024;

    // The mount picker lets the client go right after its query.
    void ReleaseClient();

    // The outcome of the query that ended last on this thread.
    QueryOutcome Outcome() const;
    bool TimedOut() const { return timedOut_; }

    void Connected(std::int16_t errorCode, const std::string& errorText) override;
    void CryptoInformation(const std::string& protocol, const std::string& remoteName,
                           const std::string& scCipher, const std::string& csCipher,
                           const std::string& keys, bool& accept) override;
    void HostFingerprint(const std::string& fingerprint, bool& accept) override;
    void Received(std::int16_t byteCount) override;
    void Disconnected() override;

  private:
    void EndQuery(const std::string& errorText);
    void ParseSpaceOutput(const std::string& text);
    void FinishInodes();

    // With an inode df (gDfRequest.withInodes) the space listing ends at the
    // marker and the inode listing follows; both come from the one session.
    bool inodeDfSent_ = false;
    MarkerSplit split_;
    std::string inodeOutput_;

    std::unique_ptr<SshClient> Ssh;
    OutputCapture capture_;
    bool connectedSeen_ = false;
    std::size_t outputBytes_ = 0;
    bool tooMuchOutput_ = false;
    bool timedOut_ = false;
    std::string hostKeyRefusal_;  // the pin's refusal of the offered key
    std::chrono::steady_clock::time_point waitLimit_{};
    std::int16_t waitSeconds_ = 0;
};

}  // namespace tavrix
