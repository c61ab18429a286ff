#include "com/module.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#ifdef TAVRIX_HAS_SSH
#include "com/windows_ssh_platform.h"
#include "query/ssh_client.h"
#include "transport/libssh_platform.h"
#endif

namespace tavrix::com {

namespace {
HMODULE gModule = nullptr;
std::atomic<long> gReferences{0};
}  // namespace

void SetModuleHandle(HMODULE module) {
    gModule = module;
}

std::wstring ModulePath() {
    // Long enough for any path the loader accepts.
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetModuleFileNameW(gModule, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return {};
    }
    return std::wstring(buffer.data(), length);
}

void AddModuleReference() {
    ++gReferences;
}
void ReleaseModuleReference() {
    --gReferences;
}
bool ModuleInUse() {
    return gReferences.load() != 0;
}

HRESULT LoadOwnTypeLib(ITypeLib** typeLib) {
    const std::wstring path = ModulePath();
    if (path.empty()) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib);
}

void EnsureDefaultSshPlatform() {
#ifdef TAVRIX_HAS_SSH
    static std::once_flag once;
    std::call_once(once, [] {
        InstallDefaultSshPlatform(std::make_shared<WindowsSshPlatform>(MakeLibsshPlatform()));
    });
#endif
}

}  // namespace tavrix::com
