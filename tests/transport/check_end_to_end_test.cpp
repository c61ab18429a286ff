// The whole road of a check, from the parameter string through the libssh
// transport and the test server to the result text, as a host would run it.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <latch>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "extra_sshd.h"
#include "host/check_run.h"
#include "query/query_setup.h"
#include "query/query_state.h"
#include "query/remote_query.h"
#include "query/ssh_client.h"
#include "support/base64.h"
#include "support/trace.h"
#include "test_server.h"
#include "transport/libssh_platform.h"

namespace tavrix {
namespace {

using Clock = std::chrono::steady_clock;
using test::Server;

struct Login {
    std::string user;
    std::string password;  // also the key's pass phrase
    std::string keyfile;
    int port = 0;
};

Login PasswordLogin(const std::string& user) {
    return {user, Server().password, "", Server().port};
}

std::string Parameters(const Login& login, const std::string& os, const std::string& mount,
                       const std::string& unit, const std::string& threshold,
                       const std::string& blockSize = "1024", const std::string& eol = "LF") {
    return "#ENC=T#USR=" + login.user + "#PWD=" + Base64Encode(login.password) +
           "#PROTO=A#PORT=" + std::to_string(login.port) + "#KEYF=" + login.keyfile +
           "#KEYT=RSA#OS=" + os + "#BLK=" + blockSize + "#RES=" + mount + "#UNIT=" + unit +
           "#COM=" + threshold + "#EOL=" + eol + "#RAN=0#";
}

struct CheckRun {
    bool result = false;
    std::string text;
    Clock::duration elapsed{};
};

void UseLibssh() {
    static const std::shared_ptr<SshPlatform> platform = [] {
        auto made = MakeLibsshPlatform();
        InstallDefaultSshPlatform(made);
        return made;
    }();
}

CheckRun Check(const std::string& parameters, double timeout = 10, const std::string& host = "") {
    UseLibssh();
    CheckObject check;
    check.kx_hostname = host.empty() ? Server().host : host;
    check.kx_timeout = timeout;
    check.kx_parameter = parameters;
    const auto start = Clock::now();
    CheckRun run;
    run.result = check.kx_docheck();
    run.elapsed = Clock::now() - start;
    run.text = PropertyText(check.kx_result);
    return run;
}

// The free kilobytes of "/" here, as the machine's own df tells them.
double LocalFreeKilobytes() {
    const std::string out = test::RunHere("df -k / | tail -n 1");
    std::istringstream words(out);
    std::string filesystem;
    double size = 0, used = 0, available = 0;
    words >> filesystem >> size >> used >> available;
    return available;
}

double FigureOf(const std::string& text, const std::string& prefix, const std::string& suffix) {
    EXPECT_EQ(text.rfind(prefix, 0), 0U) << text;
    EXPECT_TRUE(text.size() > suffix.size() &&
                text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
        << text;
    return std::atof(text.substr(prefix.size()).c_str());
}

struct LoginCase {
    const char* name;
    const char* key;  // empty: password login
    bool passphrase;
};

class CheckLoginTest : public ::testing::TestWithParam<LoginCase> {};

TEST_P(CheckLoginTest, ChecksRootAsTheMachineSeesIt) {
    TAVRIX_NEED_SERVER();
    const LoginCase& c = GetParam();
    Login login = PasswordLogin(Server().user);
    if (*c.key != '\0') {
        login.keyfile = Server().Key(c.key);
        login.password = c.passphrase ? Server().passphrase : "";
    }
    const double before = LocalFreeKilobytes();
    const CheckRun run = Check(Parameters(login, "LINUX", "/", "KB", "1"));
    const double after = LocalFreeKilobytes();
    ASSERT_TRUE(run.result) << run.text;
    const double figure = FigureOf(run.text, "Free space on / is ", " KB");
    // The disk may change a little while the check runs.
    EXPECT_NEAR(figure, (before + after) / 2, 2048 + std::abs(after - before)) << run.text;
}

INSTANTIATE_TEST_SUITE_P(Logins, CheckLoginTest,
                         ::testing::Values(LoginCase{"password", "", false},
                                           LoginCase{"ed25519", "ed25519", false},
                                           LoginCase{"ecdsa", "ecdsa", false},
                                           LoginCase{"rsa", "rsa", false},
                                           LoginCase{"ed25519_pass", "ed25519_pass", true},
                                           LoginCase{"rsa_pass", "rsa_pass", true},
                                           LoginCase{"rsa_pem", "rsa_pem", false},
                                           LoginCase{"rsa_pem_pass", "rsa_pem_pass", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckEndToEnd, ThresholdAboveTheFreeSpaceSaysFalse) {
    TAVRIX_NEED_SERVER();
    const CheckRun run =
        Check(Parameters(PasswordLogin(Server().user), "LINUX", "/", "TB", "100000"));
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.text.rfind("Free space on / is ", 0), 0U) << run.text;
}

// Recorded outputs of other systems, served by the fake df, bdf and vdf of the
// server's second user.
struct LayoutCase {
    const char* name;
    const char* os;
    const char* mount;
    const char* unit;
    const char* blockSize;
    const char* eol;
    const char* text;
};

class CheckLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CheckLayoutTest, FindsTheMountInTheOutputOfThatSystem) {
    TAVRIX_NEED_SERVER();
    const LayoutCase& c = GetParam();
    const CheckRun run = Check(Parameters(PasswordLogin(Server().fakeUser), c.os, c.mount, c.unit,
                                          "1", c.blockSize, c.eol));
    EXPECT_EQ(run.text, c.text);
    EXPECT_TRUE(run.result);
}

INSTANTIATE_TEST_SUITE_P(Systems, CheckLayoutTest,
                         ::testing::Values(
                             // a long volume name alone on its line, the figures on the next
                             LayoutCase{"hpux_wrapped", "HPUX11", "/oradata", "KB", "1024", "LF",
                                        "Free space on /oradata is 10276044 KB"},
                             LayoutCase{"aix_512_blocks", "AIX", "/u01", "GB", "512", "LF",
                                        "Free space on /u01 is 15 GB"},
                             // drive first, CRLF line ends, found in another letter case
                             LayoutCase{"windows_df_port", "BRWDF", "c:", "GB", "1024", "CRLF",
                                        "Free space on c: is 36.9 GB"},
                             LayoutCase{"type_column", "LINUX", "/data", "GB", "1024", "LF",
                                        "Free space on /data is 112.8 GB"},
                             LayoutCase{"mount_with_blanks", "LINUX", "/media/backup disk", "GB",
                                        "1024", "LF", "Free space on /media/backup disk is 286 GB"},
                             LayoutCase{"esx_wrapped_volume", "VMESX", "/vmfs/volumes/datastore1",
                                        "GB", "1024", "LF",
                                        "Free space on /vmfs/volumes/datastore1 is 82.2 GB"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct InodeSessionCase {
    const char* os;
    int spaceRecords;
    std::size_t inodeRecords;
    bool types;
};

void PrintTo(const InodeSessionCase& c, std::ostream* out) {
    *out << c.os;
}

class InodeSessionTest : public ::testing::TestWithParam<InodeSessionCase> {};

// The space df, a type column where the OS has one, and the inode df: one
// login, one command.
TEST_P(InodeSessionTest, OneSessionBringsSpaceTypesAndInodes) {
    TAVRIX_NEED_SERVER();
    UseLibssh();
    const InodeSessionCase& c = GetParam();
    QueryInputs inputs;
    inputs.hostname = Server().host;
    inputs.timeout = 10;
    inputs.port = static_cast<std::int16_t>(Server().port);
    inputs.username = Server().fakeUser;
    inputs.password = SecretString(Server().password);
    inputs.os = c.os;
    inputs.eol = "LF";
    inputs.dfRequest = {true, true};
    SetUpListingQuery(inputs);
    RemoteQuery query;
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();
    EXPECT_EQ(gErrorText, "");
    EXPECT_EQ(gMountCount, c.spaceRecords);
    EXPECT_EQ(gHasTypeColumn, c.types);
    EXPECT_EQ(gInodes.problem, "");
    EXPECT_EQ(gInodes.records.size(), c.inodeRecords);
}

INSTANTIATE_TEST_SUITE_P(Systems, InodeSessionTest,
                         ::testing::Values(InodeSessionCase{"LINUX", 18, 18, true},
                                           InodeSessionCase{"SOLARIS", 8, 1, false},
                                           InodeSessionCase{"HPUX11", 10, 7, false}),
                         [](const auto& info) { return std::string(info.param.os); });

TEST(CheckEndToEnd, CrlfOutputReadWithLfMissesTheMount) {
    TAVRIX_NEED_SERVER();
    const CheckRun run =
        Check(Parameters(PasswordLogin(Server().fakeUser), "LINUX", "/", "GB", "1", "1024", "CR"));
    EXPECT_EQ(run.text, "Unknown mount");
    EXPECT_FALSE(run.result);
}

// A listener that accepts connections and never says a word.
// (Also, closed again, a port on which nothing listens.)
class SilentListener {
  public:
    SilentListener() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        // The check's PORT is a 16-bit signed number: stay below 32768.
        for (int port = 12000 + getpid() % 8000; port < 32768 && port_ == 0; port += 97) {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<std::uint16_t>(port));
            if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                port_ = port;
            }
        }
        listen(fd_, 4);
    }
    ~SilentListener() { close(fd_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int Port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on which nothing listens.
int ClosedPort() {
    const SilentListener listener;
    return listener.Port();
}

struct FaultCase {
    const char* name;
    const char* text;  // the result text begins with it
    double timeout;
};

class CheckFaultTest : public ::testing::TestWithParam<FaultCase> {
  protected:
    std::string ParametersFor(const std::string& name, int silentPort) const {
        Login login = PasswordLogin(Server().user);
        std::string mount = "/";
        if (name == "server_down") {
            login.port = ClosedPort();
        } else if (name == "wrong_password") {
            login.password = "not-the-password";
        } else if (name == "wrong_passphrase") {
            login.keyfile = Server().Key("rsa_pass");
            login.password = "not-the-pass-phrase";
        } else if (name == "missing_key_file") {
            login.keyfile = "/nonexistent/tavrix_key";
        } else if (name == "unauthorized_key") {
            login.keyfile = Server().Key("unauthorized");
            login.password.clear();
        } else if (name == "silent_listener") {
            login.port = silentPort;
        } else if (name == "command_too_slow") {
            login.user = Server().fakeUser;
            mount = "/slow";
        } else if (name == "dropped_mid_output") {
            login.user = Server().fakeUser;
            mount = "/drop";
        }
        return Parameters(login, "LINUX", mount, "GB", "1");
    }
};

TEST_P(CheckFaultTest, EndsWithATextThatSaysWhyWithinTheLimit) {
    TAVRIX_NEED_SERVER();
    const FaultCase& c = GetParam();
    const SilentListener silent;
    const std::string host = std::string(c.name) == "unknown_host" ? "nosuch.invalid" : "";
    const CheckRun run = Check(ParametersFor(c.name, silent.Port()), c.timeout, host);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.text.rfind(c.text, 0), 0U) << run.text;
    EXPECT_NE(run.text, "Unknown mount");
    EXPECT_LT(run.elapsed, std::chrono::duration<double>(c.timeout + 2.0));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckFaultTest,
    ::testing::Values(
        FaultCase{"server_down", "Connection refused by 127.0.0.1", 10},
        FaultCase{"unknown_host", "Unknown host name nosuch.invalid", 10},
        FaultCase{"wrong_password", "Login failed for user tavrixtest", 10},
        FaultCase{"wrong_passphrase", "ERR: Wrong pass phrase for the key file", 10},
        FaultCase{"missing_key_file", "ERR: The key file /nonexistent/tavrix_key", 10},
        FaultCase{"unauthorized_key", "The server refused the key", 10},
        FaultCase{"silent_listener", "Timed out after 2 seconds", 2},
        FaultCase{"command_too_slow", "Timed out after 2 seconds", 2},
        FaultCase{"dropped_mid_output", "Connection lost before the command ended", 10}),
    [](const auto& info) { return std::string(info.param.name); });

// Hands the output to the query one byte per piece, whatever the network did.
class BytewiseClient : public SshClient, private SshNotifications {
  public:
    explicit BytewiseClient(std::unique_ptr<SshClient> inner) : inner_(std::move(inner)) {
        inner_->SetNotifications(this);
    }
    void SetNotifications(SshNotifications* sink) override { sink_ = sink; }
    void SetPresetFlag(bool flag) override { inner_->SetPresetFlag(flag); }
    void SetHost(const std::string& host) override { inner_->SetHost(host); }
    void SetPresetNumber(int number) override { inner_->SetPresetNumber(number); }
    void SetUser(const std::string& user) override { inner_->SetUser(user); }
    void SetPassword(const std::string& password) override { inner_->SetPassword(password); }
    void SetLoginMethod(int method) override { inner_->SetLoginMethod(method); }
    void SetLoginKey(const std::string& key) override { inner_->SetLoginKey(key); }
    void SetCommand(const std::string& command) override { inner_->SetCommand(command); }
    void SetProtocolChoice(int choice) override { inner_->SetProtocolChoice(choice); }
    void SetPort(std::int16_t port) override { inner_->SetPort(port); }
    void SetTimeLimit(std::int16_t seconds) override { inner_->SetTimeLimit(seconds); }
    void OpenConnection() override { inner_->OpenConnection(); }
    std::string TakeReceived(std::int16_t, int) override { return std::exchange(byte_, {}); }
    void Process() override { inner_->Process(); }
    SshWaitHint WaitHint() const override { return inner_->WaitHint(); }
    bool Ended() const override { return inner_->Ended(); }

    SshClient& Inner() { return *inner_; }

  private:
    void Connected(std::int16_t code, const std::string& text) override {
        sink_->Connected(code, text);
    }
    void CryptoInformation(const std::string& a, const std::string& b, const std::string& c,
                           const std::string& d, const std::string& e, bool& accept) override {
        sink_->CryptoInformation(a, b, c, d, e, accept);
    }
    void HostFingerprint(const std::string& fingerprint, bool& accept) override {
        sink_->HostFingerprint(fingerprint, accept);
    }
    void Received(std::int16_t count) override {
        for (const char c : inner_->TakeReceived(count, 8)) {
            byte_.assign(1, c);
            sink_->Received(1);
        }
    }
    void Disconnected() override { sink_->Disconnected(); }

    std::unique_ptr<SshClient> inner_;
    SshNotifications* sink_ = nullptr;
    std::string byte_;
};

class BytewisePlatform : public SshPlatform {
  public:
    explicit BytewisePlatform(std::shared_ptr<SshPlatform> inner) : inner_(std::move(inner)) {}
    std::unique_ptr<SshClient> CreateClient() override {
        return std::make_unique<BytewiseClient>(inner_->CreateClient());
    }
    std::unique_ptr<SshKey> CreateKey() override { return inner_->CreateKey(); }
    void WaitAndProcess(SshClient& client, Clock::time_point until) override {
        auto& bytewise = static_cast<BytewiseClient&>(client);
        // The inner platform waits on the inner client; Process goes through us.
        inner_->WaitAndProcess(bytewise.Inner(), until);
    }

  private:
    std::shared_ptr<SshPlatform> inner_;
};

TEST(CheckEndToEnd, OneBytePerPieceGivesTheSameResults) {
    TAVRIX_NEED_SERVER();
    const std::vector<std::string> parameters = {
        Parameters(PasswordLogin(Server().fakeUser), "HPUX11", "/opt/oracle", "KB", "1"),
        Parameters(PasswordLogin(Server().fakeUser), "BRWDF", "e:", "MB", "1", "1024", "CRLF"),
        Parameters(PasswordLogin(Server().fakeUser), "VMESX", "/vmfs/volumes/san-lun01", "GB", "1"),
    };
    std::vector<std::string> whole;
    for (const std::string& p : parameters) {
        whole.push_back(Check(p).text);
    }
    BytewisePlatform bytewise(MakeLibsshPlatform());
    const ScopedSshPlatform scoped(bytewise);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        EXPECT_EQ(Check(parameters[i]).text, whole[i]);
        EXPECT_EQ(whole[i].rfind("Free space on ", 0), 0U) << whole[i];
    }
}

TEST(CheckEndToEnd, ThreadsSideBySideEachGetTheirOwnResult) {
    TAVRIX_NEED_SERVER();
    struct Job {
        std::string parameters;
        std::string expected;
        std::string text;
    };
    std::vector<Job> jobs = {
        {Parameters(PasswordLogin(Server().fakeUser), "AIX", "/u01", "GB", "1", "512"),
         "Free space on /u01 is 15 GB", ""},
        {Parameters(PasswordLogin(Server().fakeUser), "HPUX11", "/oradata", "KB", "1"),
         "Free space on /oradata is 10276044 KB", ""},
        {Parameters(PasswordLogin(Server().fakeUser), "BRWDF", "D:", "GB", "1", "1024", "CRLF"),
         "Free space on D: is 442.9 GB", ""},
    };
    Check(jobs[0].parameters);  // installs the transport before the threads start
    std::vector<std::thread> threads;
    for (Job& job : jobs) {
        threads.emplace_back([&job] {
            for (int round = 0; round < 3 && job.text.empty(); ++round) {
                job.text = Check(job.parameters).text;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const Job& job : jobs) {
        EXPECT_EQ(job.text, job.expected);
    }
}

// ------------------------------------------------------------- host keys

std::string Pinned(const std::string& parameters, const std::string& pin) {
    return parameters + "HKEY=" + pin + "#";
}

class PinnedHostKeyTest : public ::testing::TestWithParam<std::string> {};

// The server has ed25519, ECDSA and RSA host keys: each pin makes it show
// that key, and the check logs in.
TEST_P(PinnedHostKeyTest, LogsInWhenTheServerShowsThePinnedKey) {
    TAVRIX_NEED_SERVER();
    const std::string pin =
        test::PinOf(Server().stateDir + "/hostkeys/ssh_host_" + GetParam() + "_key.pub");
    const CheckRun run =
        Check(Pinned(Parameters(PasswordLogin(Server().user), "LINUX", "/", "KB", "1"), pin));
    EXPECT_TRUE(run.result) << run.text;
    EXPECT_TRUE(run.text.starts_with("Free space on / is ")) << run.text;
}

INSTANTIATE_TEST_SUITE_P(KeyTypes, PinnedHostKeyTest, ::testing::Values("ed25519", "ecdsa", "rsa"));

#define TAVRIX_NEED_EXTRA(server)              \
    do {                                       \
        if (!(server).Running()) {             \
            if (test::SshRequired()) {         \
                FAIL() << (server).WhyNot();   \
            }                                  \
            GTEST_SKIP() << (server).WhyNot(); \
        }                                      \
    } while (false)

// Another machine answers on the address and port: no user name or password
// reaches it, its log shows no authentication request.
TEST(CheckHostKey, AnotherServerOnTheSamePortGetsNoLogin) {
    TAVRIX_NEED_SERVER();
    auto first = std::make_unique<test::ExtraSshd>(std::vector<std::string>{"ed25519"});
    TAVRIX_NEED_EXTRA(*first);
    const int port = first->Port();
    const std::string pin = first->Fingerprint("ed25519");
    Login login = PasswordLogin(Server().user);
    login.port = port;
    const std::string parameters = Parameters(login, "LINUX", "/", "KB", "1");
    const CheckRun trusted = Check(Pinned(parameters, pin));
    EXPECT_TRUE(trusted.result) << trusted.text;
    first.reset();

    const test::ExtraSshd second({"ed25519", "rsa"}, port);
    TAVRIX_NEED_EXTRA(second);
    const CheckRun refused = Check(Pinned(parameters, pin));
    EXPECT_FALSE(refused.result);
    EXPECT_EQ(refused.text, "The host key of " + Server().host + " has changed: expected " + pin +
                                ", the server offered " + second.Fingerprint("ed25519"));
    const std::string log = second.LogAfter(1);
    EXPECT_NE(log.find("Connection from 127.0.0.1"), std::string::npos) << log;
    EXPECT_EQ(log.find("userauth-request"), std::string::npos) << log;
    EXPECT_EQ(log.find(Server().user), std::string::npos) << log;

    // Without a pin the same check logs in there, and the log shows it.
    const CheckRun unpinned = Check(parameters);
    EXPECT_TRUE(unpinned.result) << unpinned.text;
    EXPECT_NE(second.LogAfter(2).find("userauth-request for user " + Server().user),
              std::string::npos);
}

// ------------------------------------------- servers that shed connections

// OpenSSH's own default; the shared test server has it raised.
constexpr const char* kDefaultMaxStartups = "MaxStartups 10:30:100";

// Runs the checks on threads of their own, all let go at the same moment, as
// a monitoring engine starts the checks of one host.
std::vector<CheckRun> ChecksAtOnce(const std::vector<std::string>& parameters, double timeout) {
    std::vector<CheckRun> runs(parameters.size());
    std::latch start(static_cast<std::ptrdiff_t>(parameters.size()));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            runs[i] = Check(parameters[i], timeout);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return runs;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(CheckUnderLoad, FiftyChecksAtOnceAllAnswerDespiteTheDefaultMaxStartups) {
    TAVRIX_NEED_SERVER();
    const test::ExtraSshd server({"ed25519"}, 0, {kDefaultMaxStartups});
    TAVRIX_NEED_EXTRA(server);
    Login login = PasswordLogin(Server().user);
    login.port = server.Port();
    Check(Parameters(login, "LINUX", "/", "GB", "1"));  // the transport, before the threads
    const std::vector<CheckRun> runs =
        ChecksAtOnce(std::vector(50, Parameters(login, "LINUX", "/", "GB", "1")), 20);
    for (const CheckRun& run : runs) {
        EXPECT_TRUE(run.result) << run.text;
        EXPECT_TRUE(run.text.starts_with("Free space on / is ")) << run.text;
    }
    RecordProperty("shed", CountOf(server.Log(), "past MaxStartups"));
}

TEST(CheckUnderLoad, AWrongPasswordIsSentOncePerCheckUnderTheSameLoad) {
    TAVRIX_NEED_SERVER();
    const test::ExtraSshd server({"ed25519"}, 0, {kDefaultMaxStartups});
    TAVRIX_NEED_EXTRA(server);
    Login login = PasswordLogin(Server().user);
    login.port = server.Port();
    login.password = "not-the-password";
    const std::vector<CheckRun> runs =
        ChecksAtOnce(std::vector(50, Parameters(login, "LINUX", "/", "GB", "1")), 20);
    for (const CheckRun& run : runs) {
        EXPECT_EQ(run.text, "Login failed for user " + Server().user + " (password)");
    }
    const std::string log = server.LogAfter(50);
    EXPECT_EQ(CountOf(log, "Failed password for " + Server().user), 50) << log;
}

// Accepts every connection and drops it before a word is said: closed, or
// reset every other time.
class DroppingListener {
  public:
    DroppingListener() : port_(test::FreeLoopbackPort()) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd_, 16) != 0) {
            port_ = 0;
            return;
        }
        thread_ = std::jthread([this](const std::stop_token& stop) {
            while (!stop.stop_requested()) {
                pollfd wait{fd_, POLLIN, 0};
                if (poll(&wait, 1, 20) <= 0) {
                    continue;
                }
                const int connection = accept(fd_, nullptr, nullptr);
                if (connection < 0) {
                    continue;
                }
                if (accepted_.fetch_add(1) % 2 == 1) {
                    const linger reset{1, 0};
                    setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                }
                close(connection);
            }
        });
    }
    ~DroppingListener() {
        thread_ = {};  // stops and joins before the socket goes
        close(fd_);
    }
    DroppingListener(const DroppingListener&) = delete;
    DroppingListener& operator=(const DroppingListener&) = delete;
    int Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::jthread thread_;
};

TEST(CheckUnderLoad, AServerThatAlwaysDropsEndsWithinTheLimitWithTheAttemptsCounted) {
    DroppingListener dropping;
    ASSERT_NE(dropping.Port(), 0);
    Login login{"nobody", "secret", "", dropping.Port()};
    const TraceCapture traces;
    const CheckRun run = Check(Parameters(login, "LINUX", "/", "GB", "1"), 5);
    const int attempts = dropping.Accepted();
    EXPECT_FALSE(run.result);
    EXPECT_GE(attempts, 3);
    EXPECT_EQ(run.text, "The server 127.0.0.1 port " + std::to_string(dropping.Port()) +
                            " closed the connection during the SSH handshake (" +
                            std::to_string(attempts) + " attempts)");
    EXPECT_LT(run.elapsed, std::chrono::milliseconds(5000 + 750));
    int retries = 0;
    for (const std::string& text : traces.Texts()) {
        retries += text.starts_with("SSH attempt ") && text.find(" again in ") != std::string::npos;
    }
    EXPECT_EQ(retries, attempts - 1);
}

}  // namespace
}  // namespace tavrix
