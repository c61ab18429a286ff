#pragma once
// The SSH client the remote query drives: the operations, the key object and
// the five notifications. Notifications are delivered only from Process(), so
// they arrive on the caller's thread while it waits.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavrix {

// The numbers the SSH client contract takes.
inline constexpr int kPresetNumber = 200;  // handed over before every connection
inline constexpr int kLoginByKey = 2;      // SetLoginMethod: the key of SetLoginKey
inline constexpr int kProtocolSsh1 = 2;    // SetProtocolChoice
inline constexpr int kProtocolSsh2 = 3;
inline constexpr int kProtocolEither = 4;
inline constexpr int kKeyRsa = 0;  // ExportKey
inline constexpr int kKeyDsa = 1;
inline constexpr int kReceivedAsText = 8;  // TakeReceived's format
// Connected's errorCode when the attempt ended because its time limit passed.
inline constexpr std::int16_t kErrorTimeLimit = 3;

class SshNotifications {
  public:
    virtual ~SshNotifications() = default;
    // errorCode != 0: the connection or login failed and errorText says why.
    virtual void Connected(std::int16_t errorCode, const std::string& errorText) = 0;
    virtual void CryptoInformation(const std::string& protocol, const std::string& remoteName,
                                   const std::string& scCipher, const std::string& csCipher,
                                   const std::string& keys, bool& accept) = 0;
    // fingerprint: "<key type> SHA256:<base64 without padding>", as OpenSSH
    // shows it; leaving accept true lets the login go on.
    virtual void HostFingerprint(const std::string& fingerprint, bool& accept) = 0;
    // Output is ready: fetch it with TakeReceived(byteCount, kReceivedAsText).
    virtual void Received(std::int16_t byteCount) = 0;
    // Once at the end of every attempt: command ended, connect or login failed,
    // time limit passed, connection lost.
    virtual void Disconnected() = 0;
};

// A private key loaded from a file. Failures throw Failure with a text that
// says what went wrong (missing file, wrong pass phrase, unknown format).
class SshKey {
  public:
    virtual ~SshKey() = default;
    virtual void LoadKeyFile(const std::string& path,
                             const std::optional<std::string>& passphrase) = 0;
    // The loaded key as text for SshClient::SetLoginKey (0 RSA, 1 DSA; the
    // key's own type decides, the index is accepted for compatibility).
    virtual std::string ExportKey(int keyTypeIndex) = 0;
};

// What the client waits for next: its socket (if any) for reading and/or
// writing, and the moment its own clock (time limit) next needs it.
struct SshWaitHint {
    std::intptr_t socket = -1;
    bool wantRead = false;
    bool wantWrite = false;
    std::chrono::steady_clock::time_point wakeAt = std::chrono::steady_clock::time_point::max();
};

class SshClient {
  public:
    virtual ~SshClient() = default;

    virtual void SetNotifications(SshNotifications* sink) = 0;

    virtual void SetPresetFlag(bool flag) = 0;
    virtual void SetHost(const std::string& host) = 0;
    virtual void SetPresetNumber(int number) = 0;
    virtual void SetUser(const std::string& user) = 0;
    virtual void SetPassword(const std::string& password) = 0;
    virtual void SetLoginMethod(int method) = 0;  // 2: the key of SetLoginKey
    virtual void SetLoginKey(const std::string& key) = 0;
    virtual void SetCommand(const std::string& command) = 0;
    virtual void SetProtocolChoice(int choice) = 0;       // 2 SSH1, 3 SSH2, 4 either
    virtual void SetPort(std::int16_t port) = 0;          // the last value set counts
    virtual void SetTimeLimit(std::int16_t seconds) = 0;  // <= 0 stands for 60
    // Asks the server for a host key of this type ("ssh-ed25519", "ssh-rsa",
    // ...) first, so that a server with several keys shows the pinned one.
    virtual void PreferHostKeyType(const std::string& /*keyType*/) {}

    // Starts the attempt and returns at once. Throws Failure when it cannot
    // even start (e.g. no command and no host).
    virtual void OpenConnection() = 0;

    // The output announced by Received, as text (format 8).
    virtual std::string TakeReceived(std::int16_t byteCount, int format) = 0;

    // Does all work that is ready without blocking and delivers the
    // notifications that result. After Disconnected it does nothing.
    virtual void Process() = 0;
    virtual SshWaitHint WaitHint() const = 0;
    virtual bool Ended() const = 0;  // Disconnected has been delivered
};

// Creates the platform's clients and waits on them (poll on Linux; a message
// pump on Windows, so that the apartment stays alive).
class SshPlatform {
  public:
    virtual ~SshPlatform() = default;
    virtual std::unique_ptr<SshClient> CreateClient() = 0;
    virtual std::unique_ptr<SshKey> CreateKey() = 0;
    // Blocks until the client's hint is met or `until` passes, then calls Process().
    virtual void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) = 0;
};

// The platform for this thread: a test's override, else the installed default.
SshPlatform& CurrentSshPlatform();
void InstallDefaultSshPlatform(std::shared_ptr<SshPlatform> platform);

class ScopedSshPlatform {
  public:
    explicit ScopedSshPlatform(SshPlatform& platform);
    ~ScopedSshPlatform();
    ScopedSshPlatform(const ScopedSshPlatform&) = delete;
    ScopedSshPlatform& operator=(const ScopedSshPlatform&) = delete;

  private:
    SshPlatform* previous_;
};

}  // namespace tavrix
