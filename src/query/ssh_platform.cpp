#include <memory>
#include <mutex>

#include "query/ssh_client.h"
#include "support/failure.h"

namespace tavrix {

namespace {
std::mutex gDefaultMutex;
std::shared_ptr<SshPlatform> gDefaultPlatform;
thread_local SshPlatform* tOverride = nullptr;
thread_local std::shared_ptr<SshPlatform> tDefaultHeld;  // keeps it alive for this thread's query
}  // namespace

SshPlatform& CurrentSshPlatform() {
    if (tOverride != nullptr) {
        return *tOverride;
    }
    std::lock_guard lock(gDefaultMutex);
    if (!gDefaultPlatform) {
        throw Failure("No SSH transport is available in this build");
    }
    tDefaultHeld = gDefaultPlatform;
    return *tDefaultHeld;
}

void InstallDefaultSshPlatform(std::shared_ptr<SshPlatform> platform) {
    std::lock_guard lock(gDefaultMutex);
    gDefaultPlatform = std::move(platform);
}

ScopedSshPlatform::ScopedSshPlatform(SshPlatform& platform) : previous_(tOverride) {
    tOverride = &platform;
}

ScopedSshPlatform::~ScopedSshPlatform() {
    tOverride = previous_;
}

}  // namespace tavrix
