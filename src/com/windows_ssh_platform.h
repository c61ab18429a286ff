#pragma once
// The SSH platform of the COM server. Clients come from the portable libssh
// transport; the wait is a Windows one that keeps the calling apartment alive:
// it sleeps on the client's socket and on the thread's message queue at once,
// dispatches whatever messages arrive, and never spins.

#include <memory>

#include "query/ssh_client.h"

namespace tavrix::com {

class WindowsSshPlatform : public SshPlatform {
  public:
    explicit WindowsSshPlatform(std::shared_ptr<SshPlatform> clients);

    std::unique_ptr<SshClient> CreateClient() override;
    std::unique_ptr<SshKey> CreateKey() override;
    void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) override;

  private:
    std::shared_ptr<SshPlatform> clients_;
};

// Dispatches every message waiting in this thread's queue. A WM_QUIT is put
// back for the host's own loop and ends the pumping.
void PumpThreadMessages();

// Waits until the hint's socket is ready, a message arrives for this thread,
// or the earlier of wakeAt and `until` passes.
void WaitForSocketOrMessage(const SshWaitHint& hint, std::chrono::steady_clock::time_point until);

}  // namespace tavrix::com
