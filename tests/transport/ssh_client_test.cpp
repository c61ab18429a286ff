// The libssh transport against the throwaway server of scripts/test-sshd (and,
// for the faults that need no server, against listeners opened here).

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "extra_sshd.h"
#include "query/ssh_client.h"
#include "support/failure.h"
#include "test_server.h"
#include "transport/libssh_headers.h"
#include "transport/libssh_platform.h"
#include "transport/ssh_algorithms.h"

namespace tavrix {
namespace {

using Clock = std::chrono::steady_clock;
using test::Server;

// How much later than its limit an attempt may end.
constexpr auto kGrace = std::chrono::milliseconds(1500);

// Records every notification, in order, and checks the contract as it goes.
class Recorder : public SshNotifications {
  public:
    explicit Recorder(SshClient& client) : client_(client) {}

    void Connected(std::int16_t errorCode, const std::string& errorText) override {
        Note(errorCode == 0 ? "Connected(0)" : "Connected(failure)");
        if (errorCode == 0) {
            EXPECT_TRUE(errorText.empty());
            ++logins;
        } else {
            EXPECT_FALSE(errorText.empty());
            failures.push_back(errorText);
            codes.push_back(errorCode);
        }
    }
    void CryptoInformation(const std::string& protocol, const std::string& remoteName,
                           const std::string& scCipher, const std::string& csCipher,
                           const std::string& keys, bool& accept) override {
        Note("CryptoInformation");
        EXPECT_TRUE(accept);
        this->protocol = protocol;
        this->remoteName = remoteName;
        this->scCipher = scCipher;
        this->csCipher = csCipher;
        this->keys = keys;
        accept = acceptCrypto;
    }
    void HostFingerprint(const std::string& fingerprint, bool& accept) override {
        Note("HostFingerprint");
        EXPECT_TRUE(accept);
        this->fingerprint = fingerprint;
        accept = acceptHostKey;
    }
    void Received(std::int16_t byteCount) override {
        Note("Received");
        EXPECT_GT(byteCount, 0);
        EXPECT_LE(byteCount, 32767);
        const std::string piece = client_.TakeReceived(byteCount, 8);
        EXPECT_EQ(piece.size(), static_cast<std::size_t>(byteCount));
        output += piece;
        ++pieces;
    }
    void Disconnected() override {
        Note("Disconnected");
        ++disconnects;
    }

    // The contract every attempt keeps: one Disconnected, last; a failure is
    // announced before it.
    void ExpectWellFormed() const {
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(events.back(), "Disconnected") << Events();
        EXPECT_LE(logins, 1);
    }
    std::string Events() const {
        std::string text;
        for (const auto& event : events) {
            text += event + " ";
        }
        return text;
    }
    std::string Failure() const { return failures.empty() ? "" : failures.front(); }

    bool acceptCrypto = true;
    bool acceptHostKey = true;
    std::vector<std::string> events;
    std::vector<std::string> failures;
    std::vector<std::int16_t> codes;
    int logins = 0;
    int disconnects = 0;
    int pieces = 0;
    std::string output;
    std::string protocol, remoteName, scCipher, csCipher, keys, fingerprint;

  private:
    void Note(const std::string& event) {
        EXPECT_EQ(disconnects, 0) << event << " after Disconnected";
        events.push_back(event);
    }
    SshClient& client_;
};

struct Attempt {
    std::unique_ptr<SshClient> client;
    std::unique_ptr<Recorder> rec;
    std::chrono::milliseconds elapsed{};
    int waits = 0;  // WaitAndProcess calls: few, since nothing spins
};

struct Login {
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    std::string keyText;  // login by key when set
    std::string command;
    int protocol = 4;
    int limit = 10;
};

// Login data for a place where no login can succeed (no server, not SSH).
Login StrangerAt(const std::string& host, int port, int limit = 10) {
    Login login;
    login.host = host;
    login.port = port;
    login.user = "nobody";
    login.password = "x";
    login.command = "df -k /;exit";
    login.limit = limit;
    return login;
}

Login ServerLogin(const std::string& command = "df -k /;exit") {
    Login login;
    login.host = Server().host;
    login.port = Server().port;
    login.user = Server().user;
    login.password = Server().password;
    login.command = command;
    return login;
}

Login FakeLogin(const std::string& command) {
    Login login = ServerLogin(command);
    login.user = Server().fakeUser;
    return login;
}

// Runs one attempt to its end the way the remote query does: set up, open,
// then wait and process until Disconnected.
Attempt RunAttempt(SshPlatform& platform, const Login& login,
                   const std::function<void(Recorder&)>& adjust = {}) {
    Attempt attempt;
    attempt.client = platform.CreateClient();
    attempt.rec = std::make_unique<Recorder>(*attempt.client);
    SshClient* client = attempt.client.get();
    if (adjust) {
        adjust(*attempt.rec);
    }
    client->SetNotifications(attempt.rec.get());
    client->SetPresetFlag(true);
    client->SetHost(login.host);
    client->SetPresetNumber(200);
    client->SetPort(static_cast<std::int16_t>(login.port));
    client->SetUser(login.user);
    client->SetPassword(login.password);
    if (!login.keyText.empty()) {
        client->SetLoginMethod(2);
        client->SetLoginKey(login.keyText);
    }
    if (!login.command.empty()) {
        client->SetCommand(login.command);
    }
    client->SetProtocolChoice(login.protocol);
    client->SetTimeLimit(static_cast<std::int16_t>(login.limit));

    const auto start = Clock::now();
    client->OpenConnection();
    const auto stop = start + std::chrono::seconds(login.limit) + kGrace;
    while (!client->Ended() && Clock::now() < stop) {
        platform.WaitAndProcess(*client, stop);
        ++attempt.waits;
    }
    attempt.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_TRUE(client->Ended()) << "no end within the limit and the grace";
    return attempt;
}

std::string LoadAndExport(SshPlatform& platform, const std::string& path,
                          const std::optional<std::string>& passphrase) {
    auto key = platform.CreateKey();
    key->LoadKeyFile(path, passphrase);
    return key->ExportKey(0);
}

std::string LoadFailure(const std::string& path, const std::optional<std::string>& passphrase) {
    auto platform = MakeLibsshPlatform();
    auto key = platform->CreateKey();
    try {
        key->LoadKeyFile(path, passphrase);
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return "(loaded)";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

// The output has the shape of this machine's own `df -k /`: the same header,
// one line of the same file system and mount, four numbers and a percentage.
void ExpectOwnDfShape(const std::string& output) {
    const auto local = Lines(test::RunHere("df -k /"));
    const auto remote = Lines(output);
    ASSERT_EQ(local.size(), 2u);
    ASSERT_EQ(remote.size(), 2u) << output;
    EXPECT_EQ(remote[0], local[0]);
    const auto localWords = Words(local[1]);
    const auto remoteWords = Words(remote[1]);
    ASSERT_EQ(remoteWords.size(), localWords.size()) << remote[1];
    EXPECT_EQ(remoteWords.front(), localWords.front());
    EXPECT_EQ(remoteWords.back(), "/");
    EXPECT_EQ(remoteWords[1], localWords[1]);  // the size does not change
    EXPECT_EQ(remoteWords[4].back(), '%');
}

// The server's host keys as "<key type> SHA256:<hash>", by ssh-keygen.
std::set<std::string> HostKeyFingerprints() {
    std::set<std::string> prints;
    for (const char* type : {"ed25519", "ecdsa", "rsa"}) {
        prints.insert(test::PinOf(Server().stateDir + "/hostkeys/ssh_host_" + type + "_key.pub"));
    }
    return prints;
}

// A port on 127.0.0.1 where nothing listens.
int ClosedPort() {
    return test::FreeLoopbackPort();
}

// A TCP listener on 127.0.0.1 that accepts and never speaks SSH. With a
// reply, it sends that and closes each connection.
class Listener {
  public:
    explicit Listener(std::string reply = {}) : reply_(std::move(reply)) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 8);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~Listener() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
        for (int fd : accepted_) {
            close(fd);
        }
    }
    int Port() const { return port_; }

  private:
    void Serve() {
        while (!stop_) {
            const int fd = accept(fd_, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            if (reply_.empty()) {
                accepted_.push_back(fd);  // held open, silent
            } else {
                [[maybe_unused]] auto sent = write(fd, reply_.data(), reply_.size());
                close(fd);
            }
        }
    }
    std::string reply_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<int> accepted_;
    std::thread thread_;
};

// ---------------------------------------------------------------- logins

TEST(SshClient, PasswordLoginRunsTheCommand) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt = RunAttempt(*platform, ServerLogin());
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    ASSERT_GE(rec->events.size(), 5u);
    EXPECT_EQ(rec->events[0], "CryptoInformation");
    EXPECT_EQ(rec->events[1], "HostFingerprint");
    EXPECT_EQ(rec->events[2], "Connected(0)");
    EXPECT_EQ(rec->events[3], "Received");
    ExpectOwnDfShape(rec->output);
    std::cout << "password login and df: " << attempt.elapsed.count() << " ms, " << attempt.waits
              << " waits\n";
}

// --modern-only offers nothing SHA-1, CBC or DSA; the compatible lists keep
// libssh's own algorithms in front; a pinned host key type goes first once.
TEST(SshAlgorithms, ModernOnlyHoldsNoOldAlgorithmAndPinnedTypeGoesFirst) {
    using libssh::AlgorithmPolicy;
    const auto names = [](const std::string& list) {
        std::vector<std::string> out;
        std::istringstream in(list);
        std::string name;
        while (std::getline(in, name, ',')) {
            out.push_back(name);
        }
        return out;
    };
    for (const std::string& list : {libssh::KeyExchangeList(AlgorithmPolicy::kModernOnly),
                                    libssh::HostKeyList(AlgorithmPolicy::kModernOnly, "ssh-dss"),
                                    libssh::CipherList(AlgorithmPolicy::kModernOnly),
                                    libssh::MacList(AlgorithmPolicy::kModernOnly),
                                    libssh::UserKeySignatureList(AlgorithmPolicy::kModernOnly)}) {
        for (const std::string& name : names(list)) {
            EXPECT_FALSE(name.ends_with("-sha1") || name.ends_with("-cbc") || name == "ssh-rsa" ||
                         name == "ssh-dss" || name == "hmac-sha1")
                << name << " in " << list;
        }
        EXPECT_TRUE(libssh::KeyExchangeList(AlgorithmPolicy::kCompatible).starts_with(list) ||
                    libssh::HostKeyList(AlgorithmPolicy::kCompatible).starts_with(list) ||
                    libssh::CipherList(AlgorithmPolicy::kCompatible).starts_with(list) ||
                    libssh::MacList(AlgorithmPolicy::kCompatible).starts_with(list) ||
                    libssh::UserKeySignatureList(AlgorithmPolicy::kCompatible).starts_with(list))
            << "the compatible list does not begin with the modern one: " << list;
    }
    const auto pinned = names(libssh::HostKeyList(AlgorithmPolicy::kCompatible, "ssh-rsa"));
    // the pinned RSA key with all three of its signatures before any other type
    ASSERT_GE(pinned.size(), 3u);
    EXPECT_EQ(std::set<std::string>(pinned.begin(), pinned.begin() + 3),
              (std::set<std::string>{"rsa-sha2-512", "rsa-sha2-256", "ssh-rsa"}));
    EXPECT_EQ(pinned.size(), names(libssh::HostKeyList(AlgorithmPolicy::kCompatible)).size());
}

// What libssh negotiates with its defaults alone, in the notification's words.
struct Negotiated {
    std::string keys, scCipher, csCipher;
};

std::string WithMac(const char* cipher, const char* mac) {
    std::string text = cipher != nullptr ? cipher : "unknown";
    if (mac != nullptr && !std::string(mac).starts_with("aead-")) {
        text += std::string(" ") + mac;
    }
    return text;
}

std::optional<Negotiated> NegotiateWithDefaults(int port) {
    ssh_session s = ssh_new();
    bool noConfig = false;
    unsigned int portNumber = static_cast<unsigned int>(port);
    ssh_options_set(s, SSH_OPTIONS_PROCESS_CONFIG, &noConfig);
    ssh_options_set(s, SSH_OPTIONS_HOST, Server().host.c_str());
    ssh_options_set(s, SSH_OPTIONS_PORT, &portNumber);
    ssh_options_set(s, SSH_OPTIONS_KNOWNHOSTS, "/dev/null");
    std::optional<Negotiated> result;
    ssh_key hostKey = nullptr;
    if (ssh_connect(s) == SSH_OK && ssh_get_server_publickey(s, &hostKey) == SSH_OK) {
        result = Negotiated{
            std::string(ssh_get_kex_algo(s)) + ", " + ssh_key_type_to_char(ssh_key_type(hostKey)),
            WithMac(ssh_get_cipher_in(s), ssh_get_hmac_in(s)),
            WithMac(ssh_get_cipher_out(s), ssh_get_hmac_out(s))};
        ssh_key_free(hostKey);
    }
    ssh_disconnect(s);
    ssh_free(s);
    return result;
}

// The old algorithms come after libssh's own: a modern server negotiates
// exactly what libssh alone would, an old one what it offers.
TEST(SshClient, NegotiatesModernFirstAndOldWhenThatIsAll) {
    TAVRIX_NEED_SERVER();
    const struct {
        const char* server;
        int port;
        const char* expectedKeys;  // empty: whatever libssh alone negotiates
        const char* expectedCipher;
    } cases[] = {
        {"OpenSSH", Server().port, "", ""},
        {"Dropbear", Server().ProfilePort("dropbear"), "", ""},
        {"group1 only", Server().ProfilePort("kex_group1_sha1"), "diffie-hellman-group1-sha1", ""},
        {"CBC only", Server().ProfilePort("cbc_hmac_sha1"), "", "aes256-cbc hmac-sha1"},
        {"ssh-rsa host key", Server().ProfilePort("hostkey_ssh_rsa"), ", ssh-rsa", ""},
    };
    auto platform = MakeLibsshPlatform();
    for (const auto& c : cases) {
        if (c.port == 0) {
            ADD_FAILURE() << c.server << ": its profile server does not run";
            continue;
        }
        Login login = ServerLogin("");
        login.port = c.port;
        const Attempt attempt = RunAttempt(*platform, login);
        const Recorder& rec = *attempt.rec;
        EXPECT_TRUE(rec.failures.empty()) << c.server << ": " << rec.Failure();
        if (*c.expectedKeys == '\0' && *c.expectedCipher == '\0') {
            const auto alone = NegotiateWithDefaults(c.port);
            ASSERT_TRUE(alone.has_value()) << c.server;
            EXPECT_EQ(rec.keys, alone->keys) << c.server;
            EXPECT_EQ(rec.scCipher, alone->scCipher) << c.server;
            EXPECT_EQ(rec.csCipher, alone->csCipher) << c.server;
            EXPECT_TRUE(rec.keys.starts_with("curve25519-sha256")) << c.server << ": " << rec.keys;
            EXPECT_NE(rec.keys.find("ssh-ed25519"), std::string::npos) << c.server;
            EXPECT_TRUE(rec.scCipher.find("-ctr") != std::string::npos ||
                        rec.scCipher.find("gcm") != std::string::npos ||
                        rec.scCipher.find("poly1305") != std::string::npos)
                << c.server << ": " << rec.scCipher;
        }
        EXPECT_NE(rec.keys.find(c.expectedKeys), std::string::npos) << c.server << ": " << rec.keys;
        EXPECT_NE(rec.scCipher.find(c.expectedCipher), std::string::npos)
            << c.server << ": " << rec.scCipher;
    }
}

TEST(SshClient, HostInformationHasRealValues) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt = RunAttempt(*platform, ServerLogin());
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_EQ(rec->protocol, "SSH2");
    EXPECT_TRUE(rec->remoteName.starts_with("SSH-2.0-OpenSSH_")) << rec->remoteName;
    EXPECT_FALSE(rec->scCipher.empty());
    EXPECT_NE(rec->scCipher, "unknown");
    EXPECT_NE(rec->csCipher, "unknown");
    EXPECT_NE(rec->keys.find("ssh-"), std::string::npos) << rec->keys;
    const auto prints = HostKeyFingerprints();
    EXPECT_EQ(prints.size(), 3u);
    EXPECT_TRUE(prints.count(rec->fingerprint) == 1) << rec->fingerprint;
}

class KeyLogin : public testing::TestWithParam<const char*> {};

TEST_P(KeyLogin, RunsTheCommand) {
    TAVRIX_NEED_SERVER();
    const std::string name = GetParam();
    const bool withPassphrase = name.ends_with("_pass");
    auto platform = MakeLibsshPlatform();
    Login login = ServerLogin();
    login.password.clear();
    login.keyText =
        LoadAndExport(*platform, Server().Key(name),
                      withPassphrase ? std::optional(Server().passphrase) : std::nullopt);
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    EXPECT_EQ(rec->logins, 1);
    ExpectOwnDfShape(rec->output);
    std::cout << name << " key login and df: " << attempt.elapsed.count() << " ms\n";
}

INSTANTIATE_TEST_SUITE_P(EveryKey, KeyLogin,
                         testing::Values("ed25519", "ecdsa", "rsa", "ed25519_pass", "rsa_pass",
                                         "rsa_pem", "rsa_pem_pass"));

TEST(SshClient, RecordedOutputsArriveByteForByte) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const std::string outputs = Server().stateDir + "/fake-os/outputs/";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"df -r c:", "windows-df-r.txt"},
        {"bdf /oradata;exit", "hpux-bdf.txt"},
        {"df -P /u01;exit", "aix-df-P.txt"},
        {"vdf /;exit", "esx-vdf.txt"},
        {"df -k /data;exit", "linux-df-kT.txt"},
        {"df -k /media/backup disk;exit", "linux-df-k.txt"},
    };
    for (const auto& [command, file] : cases) {
        const Attempt attempt = RunAttempt(*platform, FakeLogin(command));
        Recorder* rec = attempt.rec.get();
        rec->ExpectWellFormed();
        EXPECT_TRUE(rec->failures.empty()) << command << ": " << rec->Failure();
        const std::string expected = test::ReadFile(outputs + file);
        ASSERT_FALSE(expected.empty()) << file;
        EXPECT_EQ(rec->output, expected) << command;
    }
}

TEST(SshClient, LargeOutputComesInPiecesOfAtMost32767Bytes) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt =
        RunAttempt(*platform, ServerLogin("head -c 300000 /dev/zero | tr '\\0' x;exit"));
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    EXPECT_EQ(rec->output, std::string(300000, 'x'));
    EXPECT_GE(rec->pieces, 10);
}

TEST(SshClient, StandardErrorIsNotDelivered) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt =
        RunAttempt(*platform, ServerLogin("echo out; echo err >&2; df -k /nosuch-mount;exit"));
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    EXPECT_EQ(rec->output, "out\n");
}

TEST(SshClient, WithoutCommandItLogsInAndEnds) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt = RunAttempt(*platform, ServerLogin(""));
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    EXPECT_EQ(rec->logins, 1);
    EXPECT_TRUE(rec->output.empty());
}

TEST(SshClient, HostNameIsResolved) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    Login login = ServerLogin();
    login.host = "localhost";
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    EXPECT_TRUE(rec->failures.empty()) << rec->Failure();
    ExpectOwnDfShape(rec->output);
}

TEST(SshClient, ThreeThreadsSideBySide) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const std::string keyText = LoadAndExport(*platform, Server().Key("ed25519"), std::nullopt);
    std::vector<std::string> outputs(3);
    std::vector<std::string> failures(3);
    std::vector<int> disconnects(3);
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                Login login = i == 1 ? FakeLogin("bdf /home;exit") : ServerLogin();
                if (i == 2) {
                    login.keyText = keyText;
                }
                const Attempt attempt = RunAttempt(*platform, login);
                Recorder* rec = attempt.rec.get();
                outputs[i] = rec->output;
                failures[i] += rec->Failure();
                disconnects[i] += rec->disconnects;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(failures[i].empty()) << "thread " << i << ": " << failures[i];
        EXPECT_EQ(disconnects[i], 3);
    }
    ExpectOwnDfShape(outputs[0]);
    EXPECT_EQ(outputs[1], test::ReadFile(Server().stateDir + "/fake-os/outputs/hpux-bdf.txt"));
    ExpectOwnDfShape(outputs[2]);
}

// ---------------------------------------------------------------- faults

void ExpectFailure(const Recorder& rec, const Attempt& attempt, const std::string& text,
                   int limitSeconds) {
    rec.ExpectWellFormed();
    ASSERT_EQ(rec.failures.size(), 1u) << rec.Events();
    EXPECT_EQ(rec.failures.front(), text);
    EXPECT_NE(rec.codes.front(), 0);
    EXPECT_LT(attempt.elapsed, std::chrono::seconds(limitSeconds) + kGrace);
    EXPECT_EQ(rec.events[rec.events.size() - 2], "Connected(failure)");
}

TEST(SshFaults, ServerDownIsRefused) {
    auto platform = MakeLibsshPlatform();
    Login login = StrangerAt("127.0.0.1", ClosedPort());
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt,
                  "Connection refused by 127.0.0.1 port " + std::to_string(login.port), 10);
    EXPECT_LT(attempt.elapsed, std::chrono::seconds(1));
}

TEST(SshFaults, UnknownHostName) {
    auto platform = MakeLibsshPlatform();
    Login login = StrangerAt("nosuch.invalid", 22, 5);
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "Unknown host name nosuch.invalid", 5);
}

TEST(SshFaults, ListenerThatNeverSpeaksSshTimesOut) {
    Listener silent;
    auto platform = MakeLibsshPlatform();
    Login login = StrangerAt("127.0.0.1", silent.Port(), 2);
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "Timed out after 2 seconds", 2);
    EXPECT_GE(attempt.elapsed, std::chrono::seconds(2));
    EXPECT_LT(attempt.waits, 20) << "the wait spins";
}

TEST(SshFaults, ServerThatSpeaksSomethingElse) {
    Listener web("HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    auto platform = MakeLibsshPlatform();
    Login login = StrangerAt("127.0.0.1", web.Port(), 5);
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    ASSERT_EQ(rec->failures.size(), 1u);
    EXPECT_TRUE(rec->failures.front().starts_with("SSH handshake with 127.0.0.1 port ") ||
                rec->failures.front().starts_with("The server 127.0.0.1 port "))
        << rec->failures.front();
    EXPECT_LT(attempt.elapsed, std::chrono::seconds(2));
}

TEST(SshFaults, Ssh1IsNotSupported) {
    auto platform = MakeLibsshPlatform();
    Login login = StrangerAt("127.0.0.1", ClosedPort());
    login.protocol = 2;
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "SSH1 is not supported", 10);
    EXPECT_EQ(attempt.waits, 1);
}

TEST(SshFaults, WrongPassword) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    Login login = ServerLogin();
    login.password = "not-the-password";
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "Login failed for user " + Server().user + " (password)", 10);
    EXPECT_EQ(rec->logins, 0);
    EXPECT_EQ(rec->Failure().find("not-the-password"), std::string::npos);
}

TEST(SshFaults, UnauthorizedKey) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    Login login = ServerLogin();
    login.keyText = LoadAndExport(*platform, Server().Key("unauthorized"), std::nullopt);
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "The server refused the key for user " + Server().user, 10);
}

TEST(SshFaults, HostKeyRefusedByTheHandler) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt =
        RunAttempt(*platform, ServerLogin(), [](Recorder& r) { r.acceptHostKey = false; });
    Recorder* rec = attempt.rec.get();
    rec->ExpectWellFormed();
    ASSERT_EQ(rec->failures.size(), 1u);
    EXPECT_TRUE(rec->failures.front().starts_with("The host key of 127.0.0.1 (ssh-"))
        << rec->failures.front();
    EXPECT_EQ(rec->logins, 0);
}

TEST(SshFaults, CommandThatSleepsPastTheLimit) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    Login login = FakeLogin("df -k /slow;exit");
    login.limit = 2;
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "Timed out after 2 seconds", 2);
    EXPECT_EQ(rec->logins, 1);
    EXPECT_TRUE(rec->output.starts_with("Filesystem")) << rec->output;
    EXPECT_LT(attempt.waits, 20) << "the wait spins";
}

TEST(SshFaults, ConnectionDroppedMidOutput) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    Login login = FakeLogin("df -k /drop;exit");
    login.limit = 5;
    const Attempt attempt = RunAttempt(*platform, login);
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "Connection lost before the command ended", 5);
    EXPECT_EQ(rec->logins, 1);
    // Part of the output came (the header and two lines) before the drop.
    const auto recorded =
        Lines(test::ReadFile(Server().stateDir + "/fake-os/outputs/linux-df-k.txt"));
    ASSERT_GE(recorded.size(), 3u);
    EXPECT_EQ(rec->output, recorded[0] + "\n" + recorded[1] + "\n" + recorded[2] + "\n");
    EXPECT_LT(attempt.elapsed, std::chrono::seconds(3));
}

TEST(SshFaults, CommandKilledBySignal) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const Attempt attempt = RunAttempt(*platform, ServerLogin("echo partial; kill -9 $$"));
    Recorder* rec = attempt.rec.get();
    ExpectFailure(*rec, attempt, "The remote command was ended by signal KILL", 10);
    EXPECT_EQ(rec->output, "partial\n");
}

// ---------------------------------------------------------------- keys

// Files that are no key are refused before they are read: a FIFO without a
// writer would block, /dev/zero would never end.
TEST(SshKeys, OnlyRegularFilesOfAKeysSize) {
    char dir[] = "/tmp/tavrix-keyfiles-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string fifo = std::string(dir) + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The path is Windows-1252 text; the file system's name is UTF-8.
    const std::string accented = std::string(dir) + "/cl\xc3\xa9";
    ASSERT_EQ(mkfifo(accented.c_str(), 0600), 0);
    const std::string large = std::string(dir) + "/large";
    {
        std::ofstream out(large);
        out << std::string(1024 * 1024 + 1, 'k');
    }
    const struct {
        std::string path;
        std::string failure;
    } cases[] = {
        {"/nonexistent/tavrix_key", "The key file /nonexistent/tavrix_key does not exist"},
        {"/tmp", "The key file /tmp is a directory"},
        {fifo, "The key file " + fifo + " is not a regular file"},
        {"/dev/zero", "The key file /dev/zero is not a regular file"},
        {large, "The key file " + large + " is larger than 1024 KiB"},
        {std::string(dir) + "/cl\xe9",
         "The key file " + std::string(dir) + "/cl\xe9 is not a regular file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadFailure(c.path, std::nullopt), c.failure);
    }
    unlink(fifo.c_str());
    unlink(large.c_str());
    unlink(accented.c_str());
    rmdir(dir);
}

TEST(SshKeys, TextThatIsNoKey) {
    char path[] = "/tmp/tavrix-notakey-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "just some text\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    EXPECT_EQ(LoadFailure(path, std::nullopt), std::string(path) + " is not a private key file");
    unlink(path);
}

TEST(SshKeys, PublicKeyInsteadOfPrivate) {
    TAVRIX_NEED_SERVER();
    const std::string path = Server().Key("ed25519") + ".pub";
    EXPECT_EQ(LoadFailure(path, std::nullopt), path + " holds a public key, not a private key");
}

TEST(SshKeys, WrongPassphrase) {
    TAVRIX_NEED_SERVER();
    for (const char* name : {"ed25519_pass", "rsa_pass", "rsa_pem_pass"}) {
        const std::string path = Server().Key(name);
        EXPECT_EQ(LoadFailure(path, std::string("wrong")),
                  "Wrong pass phrase for the key file " + path);
    }
}

TEST(SshKeys, PassphraseMissing) {
    TAVRIX_NEED_SERVER();
    for (const char* name : {"ed25519_pass", "rsa_pem_pass"}) {
        const std::string path = Server().Key(name);
        EXPECT_EQ(LoadFailure(path, std::nullopt), "The key file " + path + " needs a pass phrase");
        EXPECT_EQ(LoadFailure(path, std::string()),
                  "The key file " + path + " needs a pass phrase");
    }
}

TEST(SshKeys, PassphraseOfAPlainKeyIsIgnored) {
    TAVRIX_NEED_SERVER();
    EXPECT_EQ(LoadFailure(Server().Key("ed25519"), std::string("unused")), "(loaded)");
}

TEST(SshKeys, ExportedKeyIsImportedAgainAndNotTheFile) {
    TAVRIX_NEED_SERVER();
    auto platform = MakeLibsshPlatform();
    const std::string text =
        LoadAndExport(*platform, Server().Key("rsa_pem_pass"), Server().passphrase);
    EXPECT_NE(text.find("PRIVATE KEY-----"), std::string::npos);
    EXPECT_EQ(text.find("ENCRYPTED"), std::string::npos);
    auto client = platform->CreateClient();
    EXPECT_NO_THROW(client->SetLoginKey(text));
    EXPECT_THROW(client->SetLoginKey("not a key"), Failure);
}

TEST(SshKeys, ExportWithoutLoadFails) {
    auto platform = MakeLibsshPlatform();
    auto key = platform->CreateKey();
    EXPECT_THROW(key->ExportKey(0), Failure);
}

// ---------------------------------------------------------------- set-up

TEST(SshSetup, OpenConnectionChecksWhatItNeeds) {
    auto platform = MakeLibsshPlatform();
    {
        auto client = platform->CreateClient();
        client->SetUser("x");
        EXPECT_THROW(client->OpenConnection(), Failure);  // no host
    }
    {
        auto client = platform->CreateClient();
        client->SetHost("127.0.0.1");
        client->SetUser("x");
        client->SetLoginMethod(2);
        EXPECT_THROW(client->OpenConnection(), Failure);  // no key
    }
    {
        auto client = platform->CreateClient();
        client->SetHost("127.0.0.1");
        EXPECT_THROW(client->OpenConnection(), Failure);  // no user
    }
}

TEST(SshSetup, NothingHappensBeforeOpenConnection) {
    auto platform = MakeLibsshPlatform();
    auto client = platform->CreateClient();
    Recorder rec(*client);
    client->SetNotifications(&rec);
    client->Process();
    EXPECT_TRUE(rec.events.empty());
    EXPECT_FALSE(client->Ended());
    EXPECT_THROW(client->TakeReceived(10, 0), Failure);
    EXPECT_EQ(client->TakeReceived(10, 8), "");
}

TEST(SshSetup, DestroyedMidAttemptWithoutNotifications) {
    Listener silent;
    auto platform = MakeLibsshPlatform();
    auto client = platform->CreateClient();
    Recorder rec(*client);
    client->SetNotifications(&rec);
    client->SetHost("127.0.0.1");
    client->SetPort(static_cast<std::int16_t>(silent.Port()));
    client->SetUser("x");
    client->SetPassword("y");
    client->SetCommand("true");
    client->OpenConnection();
    platform->WaitAndProcess(*client, Clock::now() + std::chrono::milliseconds(200));
    platform->WaitAndProcess(*client, Clock::now() + std::chrono::milliseconds(200));
    client.reset();
    EXPECT_EQ(rec.disconnects, 0);
}

}  // namespace
}  // namespace tavrix
