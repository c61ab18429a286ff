#pragma once
// One remote df query: Get_mount_list prepares a fresh SSH client and starts
// it; the notification handlers feed the parser and mark the end. The query
// state lives in query_state.h.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "query/output_capture.h"
#include "query/ssh_client.h"

namespace tavrix {

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
    // (gTimeout, 60 s when 0 or less) plus kWaitGrace even if the client
    // misbehaves: then gErrorText says so and the client is let go.
    void WaitUntilDisconnected();

    static constexpr std::chrono::seconds kWaitGrace{3};

    // The mount picker lets the client go right after its query.
    void ReleaseClient();

    void Connected(std::int16_t errorCode, const std::string& errorText) override;
    void CryptoInformation(const std::string& protocol, const std::string& remoteName,
                           const std::string& scCipher, const std::string& csCipher,
                           const std::string& keys, bool& accept) override;
    void HostFingerprint(const std::string& fingerprint, bool& accept) override;
    void Received(std::int16_t byteCount) override;
    void Disconnected() override;

  private:
    void EndQuery(const std::string& errorText);

    std::unique_ptr<SshClient> Ssh;
    OutputCapture capture_;
    bool connectedSeen_ = false;
    std::string hostKeyRefusal_;  // the pin's refusal of the offered key
    std::chrono::steady_clock::time_point waitLimit_{};
    std::chrono::seconds waitSpan_{0};
};

}  // namespace tavrix
