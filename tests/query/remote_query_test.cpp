#include "query/remote_query.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "fake_ssh.h"
#include "query/df_command.h"
#include "query/df_parser.h"
#include "query/query_state.h"
#include "support/failure.h"

namespace tavrix {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using namespace tavrix::testing;

struct CommandCase {
    std::string os;
    std::string mount;
    std::optional<std::string> command;
};

void PrintTo(const CommandCase& value, std::ostream* out) {
    *out << value.os << " " << ::testing::PrintToString(value.mount);
}

class DfCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(DfCommandTest, BuildsTheCommandLine) {
    EXPECT_EQ(BuildDfCommand(GetParam().os, GetParam().mount), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(EveryOsCode, DfCommandTest,
                         ::testing::Values(CommandCase{"LINUX", "/var", "df -k /var;exit"},
                                           CommandCase{"BSD", "/var", "df -k /var;exit"},
                                           CommandCase{"SOLARIS", "/var", "df -k /var;exit"},
                                           CommandCase{"HPUX", "/var", "df -k /var;exit"},
                                           CommandCase{"AIX", "/var", "df -P /var;exit"},
                                           CommandCase{"TRUE64", "/var", "df /var;exit"},
                                           CommandCase{"SUNOS", "/var", "df /var;exit"},
                                           CommandCase{"HPUX11", "/var", "bdf /var;exit"},
                                           CommandCase{"SCO5", "/var", "df -k -B /var;exit"},
                                           CommandCase{"BRWDF", "c:", "df -r c:"},
                                           CommandCase{"VMESX", "/vmfs", "vdf /vmfs;exit"},
                                           CommandCase{"VMESX4", "/vmfs", "vdf /vmfs;exit"},
                                           CommandCase{"LINUX", "", "df -k ;exit"},
                                           CommandCase{"BRWDF", "", "df -r "},
                                           CommandCase{"linux", "/var", std::nullopt},
                                           CommandCase{"", "/var", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    MountNamesForAPosixShell, DfCommandTest,
    ::testing::Values(CommandCase{"LINUX", "/mnt/a-b_c.d+e:f@g%h=i,j",
                                  "df -k /mnt/a-b_c.d+e:f@g%h=i,j;exit"},
                      CommandCase{"LINUX", "/mnt/my disk", "df -k '/mnt/my disk';exit"},
                      CommandCase{"LINUX", "/; rm -rf ~", "df -k '/; rm -rf ~';exit"},
                      CommandCase{"AIX", "/it's", "df -P '/it'\\''s';exit"},
                      CommandCase{"LINUX", "$(reboot)", "df -k '$(reboot)';exit"},
                      CommandCase{"SUNOS", "/a`id`|b&c>d\nx", "df '/a`id`|b&c>d\nx';exit"},
                      CommandCase{"LINUX", "/mnt/\xe9t\xe9", "df -k '/mnt/\xe9t\xe9';exit"},
                      CommandCase{"LINUX", "=ls", "df -k '=ls';exit"},
                      CommandCase{"LINUX", "/a=b", "df -k /a=b;exit"}));

INSTANTIATE_TEST_SUITE_P(MountNamesForAWindowsShell, DfCommandTest,
                         ::testing::Values(CommandCase{"BRWDF", "c:\\Program Files",
                                                       "df -r \"c:\\Program Files\""},
                                           CommandCase{"BRWDF", "d:/data-1", "df -r d:/data-1"},
                                           CommandCase{"BRWDF", "c:\\Program Files\\",
                                                       "df -r \"c:\\Program Files\\\\\""},
                                           CommandCase{"BRWDF", "c:\\(x)", "df -r \"c:\\(x)\""},
                                           CommandCase{"BRWDF", "\\\\?\\Volume{f6d9}\\",
                                                       "df -r \"\\\\?\\Volume{f6d9}\\\\\""}));

struct CheckCommandCase {
    std::string os;
    std::string mount;
    DfRequest request;
    std::optional<std::string> command;
};

void PrintTo(const CheckCommandCase& value, std::ostream* out) {
    *out << value.os << " " << ::testing::PrintToString(value.mount) << " types "
         << value.request.withTypes << " inodes " << value.request.withInodes;
}

class CheckDfCommandTest : public ::testing::TestWithParam<CheckCommandCase> {};

TEST_P(CheckDfCommandTest, AddsTypesAndInodesWhereTheOsHasThem) {
    EXPECT_EQ(BuildCheckDfCommand(GetParam().os, GetParam().mount, GetParam().request),
              GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOsCode, CheckDfCommandTest,
    ::testing::Values(
        CheckCommandCase{"LINUX", "/var", {}, "df -k /var;exit"},
        CheckCommandCase{"LINUX", "", {true, false}, "df -kPT ;exit"},
        CheckCommandCase{"LINUX",
                         "/my disk",
                         {true, true},
                         "df -kPT '/my disk';echo --tavrix-inodes--;df -iP '/my disk';exit"},
        CheckCommandCase{"LINUX", "", {false, true}, "df -k ;echo --tavrix-inodes--;df -iP ;exit"},
        CheckCommandCase{"BSD", "/", {true, true}, "df -k /;echo --tavrix-inodes--;df -i /;exit"},
        CheckCommandCase{
            "SOLARIS", "", {false, true}, "df -k ;echo --tavrix-inodes--;df -o i ;exit"},
        CheckCommandCase{
            "HPUX", "/u01", {false, true}, "df -k /u01;echo --tavrix-inodes--;bdf -i /u01;exit"},
        CheckCommandCase{"HPUX11", "", {false, true}, "bdf ;echo --tavrix-inodes--;bdf -i ;exit"},
        CheckCommandCase{"TRUE64", "", {false, true}, "df ;echo --tavrix-inodes--;df -i ;exit"},
        CheckCommandCase{"SUNOS", "", {false, true}, "df ;echo --tavrix-inodes--;df -i ;exit"},
        CheckCommandCase{"AIX", "", {true, true}, "df -P ;exit"},
        CheckCommandCase{"SCO5", "", {true, true}, "df -k -B ;exit"},
        CheckCommandCase{"VMESX", "", {true, true}, "vdf ;exit"},
        CheckCommandCase{"BRWDF", "c:", {true, true}, "df -r c:"},
        CheckCommandCase{"linux", "", {true, true}, std::nullopt}));

TEST(DfCommandRefusal, WindowsShellCharactersAreRefused) {
    for (const char* mount :
         {"c:\"x", "c:&del x", "c:|x", "c:<x", "c:>x", "c:^x", "%PATH%", "c:\r\ndel x",
          "/a$(touch x)", "c:`x", "c:;x", "c:'x", "c:!x!", "c:\tx", "c:\x80"}) {
        EXPECT_THROW(BuildDfCommand("BRWDF", mount), Failure) << mount;
        EXPECT_NO_THROW(BuildDfCommand("LINUX", mount)) << mount;
    }
}

TEST(DfCommandRefusal, NoMountNameBeginsWithADash) {
    for (const char* os : {"LINUX", "BSD", "SOLARIS", "HPUX", "AIX", "TRUE64", "SUNOS", "HPUX11",
                           "SCO5", "BRWDF", "VMESX", "VMESX4"}) {
        for (const char* mount : {"--version", "-h", "-"}) {
            EXPECT_THROW(BuildDfCommand(os, mount), Failure) << os << " " << mount;
        }
        EXPECT_NO_THROW(BuildDfCommand(os, "/a-b")) << os;
    }
}

// How the Windows C runtime splits a command line into arguments (the df
// port's main() sees these); "" inside quotes is left out, it is refused.
std::vector<std::string> CrtArguments(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool started = false;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t slashes = 0;
        while (i < line.size() && line[i] == '\\') {
            ++slashes;
            ++i;
        }
        if (i < line.size() && line[i] == '"') {
            current.append(slashes / 2, '\\');
            started = true;
            if (slashes % 2 == 1) {
                current += '"';
            } else {
                inQuotes = !inQuotes;
            }
            ++i;
            continue;
        }
        current.append(slashes, '\\');
        started = started || slashes > 0;
        if (i == line.size()) {
            break;
        }
        if (line[i] == ' ' && !inQuotes) {
            if (started) {
                args.push_back(current);
            }
            current.clear();
            started = false;
        } else {
            current += line[i];
            started = true;
        }
        ++i;
    }
    if (started) {
        args.push_back(current);
    }
    return args;
}

// What cmd.exe would act on: % and ! anywhere, & | < > ^ outside quotes;
// PowerShell and a POSIX shell: $ and ` anywhere, ; ' ( ) { } outside quotes, and
// a POSIX shell's wildcards ? * outside quotes.
bool ShellsLeaveAlone(std::string_view line) {
    bool inQuotes = false;
    for (const char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (std::string_view("%!$`").find(c) != std::string_view::npos ||
                   (!inQuotes &&
                    std::string_view("&|<>^;'(){}?*").find(c) != std::string_view::npos)) {
            return false;
        }
    }
    return !inQuotes;
}

TEST(DfCommandWindows, TheDfPortGetsTheNameAsOneArgument) {
    for (const std::string mount :
         {"c:", "C:\\Program Files", "C:\\Program Files\\", "D:\\a\\\\", "e:\\x (y) [z] {w}",
          "f:\\a,b@c~d+e", "g:\\\xc4rger \xe9t\xe9 \x8a\x9f", "h:\\trailing \\\\",
          "\\\\?\\Volume{f6d90251-0739-4aa9-a981-408113eb268c}\\"}) {
        const std::string command = BuildDfCommand("BRWDF", mount).value();
        EXPECT_THAT(CrtArguments(command), ElementsAre("df", "-r", mount)) << command;
        EXPECT_TRUE(ShellsLeaveAlone(command)) << command;
    }
}

// Sets the query inputs of a password login and a Linux machine.
void SetInputs() {
    gHostname = "db1";
    gPort = 0;
    gUsername = "monitor";
    gPassword = "secret";
    gKeyfile.clear();
    gKeyType = "RSA";
    gOS = "LINUX";
    gProtocol = "A";
    gTimeout = 5;
    gHostKey.clear();
    gResource.clear();
    gEOL = "LF";
    gExpectHeader = true;
}

class RemoteQueryTest : public ::testing::Test {
  protected:
    void SetUp() override { SetInputs(); }

    // Runs one whole query to its end.
    void Run(const std::optional<std::string>& mount = std::string("/var")) {
        query.Get_mount_list(mount);
        query.WaitUntilDisconnected();
    }

    FakePlatform platform;
    ScopedSshPlatform scope{platform};
    RemoteQuery query;
};

TEST_F(RemoteQueryTest, HandsTheSettingsOverInOrder) {
    platform.sessions = {Session({})};
    Run();
    EXPECT_THAT(
        platform.LastCalls(),
        ElementsAre("SetPresetFlag 1", "SetHost db1", "SetPresetNumber 200", "SetPort 0",
                    "SetUser monitor", "SetPassword secret", "SetCommand df -k /var;exit",
                    "SetProtocolChoice 4", "SetPort 22", "SetTimeLimit 5", "OpenConnection"));
}

struct SetupCase {
    const char* name;
    void (*arrange)();
    std::optional<std::string> mount;
    std::vector<std::string> expectedCalls;  // each must be among the calls
    std::vector<std::string> absentCalls;    // prefixes that must not be
};

void PrintTo(const SetupCase& value, std::ostream* out) {
    *out << value.name;
}

class RemoteQuerySetupTest : public RemoteQueryTest,
                             public ::testing::WithParamInterface<SetupCase> {};

TEST_P(RemoteQuerySetupTest, HandsOverTheSettings) {
    GetParam().arrange();
    platform.sessions = {Session({})};
    Run(GetParam().mount);
    const std::vector<std::string>& calls = platform.LastCalls();
    for (const std::string& expected : GetParam().expectedCalls) {
        EXPECT_THAT(calls, ::testing::Contains(expected));
    }
    for (const std::string& absent : GetParam().absentCalls) {
        for (const std::string& call : calls) {
            EXPECT_THAT(call, Not(::testing::StartsWith(absent)));
        }
    }
    EXPECT_EQ(calls.back(), "OpenConnection");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteQuerySetupTest,
    ::testing::Values(
        SetupCase{"AllMounts", [] {}, "-1", {"SetCommand df -k ;exit"}, {}},
        SetupCase{"NoMountGiven", [] {}, std::nullopt, {"SetCommand df -k ;exit"}, {}},
        SetupCase{"Brwdf", [] { gOS = "BRWDF"; }, "c:", {"SetCommand df -r c:"}, {}},
        SetupCase{"LowerCaseOs", [] { gOS = "linux"; }, "/var", {}, {"SetCommand"}},
        SetupCase{"EmptyOs", [] { gOS.clear(); }, "/var", {}, {"SetCommand"}},
        SetupCase{"OtherPort", [] { gPort = 2222; }, "/var", {"SetPort 2222"}, {"SetPort 0"}},
        SetupCase{"Ssh1", [] { gProtocol = "1"; }, "/var", {"SetProtocolChoice 2"}, {}},
        SetupCase{"Ssh2", [] { gProtocol = "2"; }, "/var", {"SetProtocolChoice 3"}, {}},
        SetupCase{"LowerCaseAuto", [] { gProtocol = "a"; }, "/var", {"SetProtocolChoice 4"}, {}},
        SetupCase{"EmptyProtocol", [] { gProtocol.clear(); }, "/var", {"SetProtocolChoice 4"}, {}},
        SetupCase{"NoKeyFile", [] {}, "/var", {}, {"LoadKeyFile", "SetLoginMethod", "SetLoginKey"}},
        SetupCase{"KeyWithPassPhrase",
                  [] { gKeyfile = "/keys/id"; },
                  "/var",
                  {"LoadKeyFile /keys/id with secret", "SetLoginMethod 2", "ExportKey 0",
                   "SetLoginKey KEY0"},
                  {}},
        SetupCase{"KeyWithoutPassPhrase",
                  [] {
                      gKeyfile = "/keys/id";
                      gPassword.clear();
                  },
                  "/var",
                  {"LoadKeyFile /keys/id", "SetLoginMethod 2"},
                  {"LoadKeyFile /keys/id with"}},
        SetupCase{"DsaKey",
                  [] {
                      gKeyfile = "/keys/id";
                      gKeyType = "DSA";
                  },
                  "/var",
                  {"ExportKey 1", "SetLoginKey KEY1"},
                  {}},
        SetupCase{"LowerCaseKeyType",
                  [] {
                      gKeyfile = "/keys/id";
                      gKeyType = "dsa";
                  },
                  "/var",
                  {"ExportKey 0"},
                  {}},
        SetupCase{"EmptyKeyType",
                  [] {
                      gKeyfile = "/keys/id";
                      gKeyType.clear();
                  },
                  "/var",
                  {"ExportKey 0"},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RemoteQueryTest, PortZeroIsReplacedBy22AsTheLastPortSet) {
    platform.sessions = {Session({})};
    Run();
    std::vector<std::string> ports;
    for (const std::string& call : platform.LastCalls()) {
        if (call.starts_with("SetPort ")) {
            ports.push_back(call);
        }
    }
    EXPECT_THAT(ports, ElementsAre("SetPort 0", "SetPort 22"));
}

const char* const kListing =
    "Filesystem 1K-blocks Used Available Use% Mounted on\n"
    "/dev/sda1 1000 400 600 40% /\n"
    "/dev/sdb1 2000 500 1500 25% /var\n";

TEST_F(RemoteQueryTest, ConnectedWithoutErrorLeavesTheErrorTextEmpty) {
    platform.sessions = {Session({kListing})};
    Run(std::nullopt);
    EXPECT_TRUE(gDisconnected);
    EXPECT_EQ(gErrorText, "");
    ASSERT_EQ(gMountCount, 2);
    EXPECT_EQ(gMountRecords[1].Mount, "/var");
    EXPECT_EQ(gMountRecords[1].Available, 1500);
}

TEST_F(RemoteQueryTest, ASecondQueryReplacesTheClientAndStartsCountingAgain) {
    platform.sessions = {Session({kListing}),
                         Session({"Filesystem x\n/dev/sdc1 9 1 8 11% /opt\n"})};
    Run(std::nullopt);
    ASSERT_EQ(gMountCount, 2);
    EXPECT_FALSE(platform.logs[0]->destroyed);

    gExpectHeader = true;
    Run(std::nullopt);
    EXPECT_TRUE(platform.logs[0]->destroyed);
    EXPECT_FALSE(platform.logs[1]->destroyed);
    ASSERT_EQ(gMountCount, 1);
    EXPECT_EQ(gMountRecords[0].Mount, "/opt");
}

TEST_F(RemoteQueryTest, ReleaseClientLetsTheClientGo) {
    platform.sessions = {Session({kListing})};
    Run(std::nullopt);
    query.ReleaseClient();
    EXPECT_TRUE(platform.logs[0]->destroyed);
    EXPECT_EQ(gMountCount, 2);
}

struct FailureCase {
    const char* name;
    std::vector<FakeStep> session;
    std::optional<std::string> openFailure;
    std::string expectedText;  // a part of gErrorText
};

void PrintTo(const FailureCase& value, std::ostream* out) {
    *out << value.name;
}

class RemoteQueryFailureTest : public RemoteQueryTest,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RemoteQueryFailureTest, EndsWithATextThatSaysWhy) {
    platform.sessions = {GetParam().session};
    platform.openFailure = GetParam().openFailure;
    Run();
    EXPECT_TRUE(gDisconnected);
    EXPECT_THAT(gErrorText, HasSubstr(GetParam().expectedText));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteQueryFailureTest,
    ::testing::Values(
        FailureCase{"Refused",
                    {Connect(10061, "Connection refused"), Disconnect()},
                    std::nullopt,
                    "Connection refused"},
        FailureCase{"UnknownHost",
                    {Connect(11001, "Unknown host db1"), Disconnect()},
                    std::nullopt,
                    "Unknown host db1"},
        FailureCase{"LoginFailed",
                    {Connect(1, "Authentication failed"), Disconnect()},
                    std::nullopt,
                    "Authentication failed"},
        FailureCase{"FailureWithoutText", {Connect(7), Disconnect()}, std::nullopt, "error 7"},
        FailureCase{"OpenConnectionThrows", {}, "No route to host", "No route to host"},
        FailureCase{"EndedBeforeConnecting", {Disconnect()}, std::nullopt, "before it connected"},
        FailureCase{"ConnectionLost",
                    {Connect(), Output("Filesystem x\n/dev/sdb1 2000 500 1500 25% /var\n"),
                     Connect(-1, "Connection lost"), Disconnect()},
                    std::nullopt,
                    "Connection lost"}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr const char* kEd25519Key =
    "ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE";
constexpr const char* kRsaKey = "ssh-rsa SHA256:kM7JCOIQpoWNSpk9gXlQIitH6cbkFwyuYvBdDqcw/XQ";

struct HostKeyCase {
    const char* name;
    std::string pin;
    std::string offered;
    std::string preferredType;  // empty: no PreferHostKeyType call
    bool refused;
};

void PrintTo(const HostKeyCase& value, std::ostream* out) {
    *out << value.name;
}

class HostKeyTest : public RemoteQueryTest, public ::testing::WithParamInterface<HostKeyCase> {};

TEST_P(HostKeyTest, APinLetsOnlyItsKeyLogIn) {
    const HostKeyCase& c = GetParam();
    gHostKey = c.pin;
    platform.sessions = {{OfferHostKey(c.offered), Connect(), Output(kListing), Disconnect()}};
    Run(std::nullopt);
    EXPECT_TRUE(gDisconnected);
    EXPECT_EQ(gOfferedHostKey, c.offered);
    const auto& calls = platform.LastCalls();
    if (c.preferredType.empty()) {
        for (const std::string& call : calls) {
            EXPECT_THAT(call, Not(::testing::StartsWith("PreferHostKeyType")));
        }
    } else {
        EXPECT_THAT(calls, ::testing::Contains("PreferHostKeyType " + c.preferredType));
    }
    if (c.refused) {
        EXPECT_EQ(gErrorText, "The host key of db1 has changed: expected " +
                                  std::string(kEd25519Key) + ", the server offered " + c.offered);
        EXPECT_EQ(gMountCount, 0);
    } else {
        EXPECT_EQ(gErrorText, "");
        EXPECT_EQ(gMountCount, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostKeyTest,
    ::testing::Values(HostKeyCase{"NoPinAcceptsAnyKey", "", kRsaKey, "", false},
                      HostKeyCase{"BlankPinAcceptsAnyKey", "  ", kRsaKey, "", false},
                      HostKeyCase{"PinMatches", kEd25519Key, kEd25519Key, "ssh-ed25519", false},
                      HostKeyCase{"PinBetweenBlanksMatches", std::string(" ") + kEd25519Key + " ",
                                  kEd25519Key, "ssh-ed25519", false},
                      HostKeyCase{"OtherKeyIsRefused", kEd25519Key, kRsaKey, "ssh-ed25519", true},
                      HostKeyCase{"SameTypeOtherHashIsRefused", kEd25519Key,
                                  "ssh-ed25519 SHA256:AAAAg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE",
                                  "ssh-ed25519", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RemoteQueryTest, AKeyFileThatCannotBeLoadedEndsTheQueryBeforeConnecting) {
    gKeyfile = "/keys/missing";
    platform.keyFailure = "Key file /keys/missing not found";
    platform.sessions = {Session({})};
    EXPECT_THROW(query.Get_mount_list(std::string("/var")), Failure);
    EXPECT_TRUE(gDisconnected);
    EXPECT_EQ(gErrorText, "Key file /keys/missing not found");
    EXPECT_THAT(platform.LastCalls(), Not(::testing::Contains("OpenConnection")));
    query.WaitUntilDisconnected();  // returns at once
}

TEST_F(RemoteQueryTest, ARefusedWindowsMountNameSendsNothing) {
    gOS = "BRWDF";
    platform.sessions = {Session({})};
    EXPECT_THROW(query.Get_mount_list(std::string("c:&format d:")), Failure);
    EXPECT_TRUE(gDisconnected);
    EXPECT_THAT(gErrorText, Not(IsEmpty()));
    EXPECT_THAT(platform.LastCalls(), Not(::testing::Contains("OpenConnection")));
}

class BoundedWaitTest : public RemoteQueryTest, public ::testing::WithParamInterface<StallMode> {};

TEST_P(BoundedWaitTest, ASessionThatNeverEndsIsGivenUp) {
    gTimeout = 1;
    platform.stall = GetParam();
    platform.sessions = {{Connect(), Output("Filesystem x\n/dev/sdb1 2000 500 1500 25% /var\n")}};
    const auto started = std::chrono::steady_clock::now();
    Run();
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(gDisconnected);
    EXPECT_THAT(gErrorText, HasSubstr("Time-out"));
    EXPECT_TRUE(platform.logs[0]->destroyed);
    EXPECT_LT(waited, std::chrono::seconds(30));
    if (GetParam() == StallMode::Block) {
        EXPECT_LT(platform.waits, 10);  // it blocked instead of spinning
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, BoundedWaitTest,
                         ::testing::Values(StallMode::Block, StallMode::Spin));

// The records a query yields when the output arrives in the given pieces.
std::vector<MountRecord> RecordsFor(const std::vector<std::string>& pieces) {
    FakePlatform platform;
    ScopedSshPlatform scope(platform);
    platform.sessions = {Session(pieces)};
    RemoteQuery query;
    gExpectHeader = true;
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();
    EXPECT_EQ(gErrorText, "");
    return {gMountRecords.begin(), gMountRecords.begin() + gMountCount};
}

std::vector<std::string> CutEvery(const std::string& text, std::size_t size) {
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < text.size(); i += size) {
        pieces.push_back(text.substr(i, size));
    }
    return pieces;
}

struct LinesCase {
    const char* name;
    std::string eol;
    std::string os;
    std::string output;  // lines joined with "\n"; the separator replaces it
    int records;         // in one piece
};

void PrintTo(const LinesCase& value, std::ostream* out) {
    *out << value.name;
}

class WholeLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(WholeLinesTest, TheCutOfThePiecesDoesNotChangeTheRecords) {
    SetInputs();
    gEOL = GetParam().eol;
    gOS = GetParam().os;
    const std::string separator(LineSeparator(gEOL));
    std::string output;
    for (char c : GetParam().output) {
        output += c == '\n' ? separator : std::string(1, c);
    }
    const std::vector<MountRecord> whole = RecordsFor({output});
    ASSERT_EQ(static_cast<int>(whole.size()), GetParam().records);
    for (std::size_t size : {1, 2, 3, 5, 7, 16}) {
        EXPECT_THAT(RecordsFor(CutEvery(output, size)), ElementsAreArray(whole))
            << "pieces of " << size;
    }
    // Pieces that end exactly at a line end, and empty pieces in between.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find(separator, start)) != std::string::npos;) {
        lines.push_back(output.substr(start, end + separator.size() - start));
        lines.push_back("");
        start = end + separator.size();
    }
    lines.push_back(output.substr(start));
    EXPECT_THAT(RecordsFor(lines), ElementsAreArray(whole)) << "pieces of one line";
}

const std::string kWrapped =
    "Filesystem 1K-blocks Used Available Use% Mounted on\n"
    "/dev/sda1 1000 400 600 40% /\n"
    "/dev/mapper/vg-very-long-name\n"
    "      2000 500 1500 25% /var\n"
    "tmpfs 100 0 100 0% /mnt/my disk\n"
    "server:/export/home\n"
    "   3000 1000 2000 33% /home\n";

INSTANTIATE_TEST_SUITE_P(
    Outputs, WholeLinesTest,
    ::testing::Values(
        LinesCase{"Lf", "LF", "LINUX", kWrapped, 4}, LinesCase{"Cr", "CR", "LINUX", kWrapped, 4},
        LinesCase{"Crlf", "CRLF", "LINUX", kWrapped, 4},
        LinesCase{"UnknownEol", "", "LINUX", kWrapped, 4},
        LinesCase{"NoFinalLineEnd", "CRLF", "LINUX", kWrapped + "/dev/sdz 9 1 8 11% /z", 5},
        LinesCase{"EmptyLines", "LF", "LINUX",
                  "Filesystem Size\n\n/dev/a 1 1 0 100% /a\n\n\nlone\n\n/dev/b 2 1 1 50% /b\nx\n",
                  5},
        LinesCase{"TypeColumn", "CRLF", "LINUX",
                  "Filesystem Type 1K-blocks Used Available Use% Mounted on\n"
                  "/dev/sda1 ext4 1000 400 600 40% /\n/dev/sdb1\n xfs 20 5 15 25% /var\n",
                  2},
        LinesCase{"Brwdf", "CRLF", "BRWDF",
                  "Drive Size Used Free Use%\n------ ---- ----\nC: 100 60 40 60% NTFS\n"
                  "D:\n 200 100 100 50% FAT\n",
                  3},
        LinesCase{"LoneHeader", "LF", "LINUX", "Header\nfs\n1 2 3 4% /m\n/dev/c 5 4 1 80% /c\n",
                  2}),
    [](const auto& info) { return std::string(info.param.name); });

// The inode df follows the space df in the same session, behind a marker
// line that may arrive cut anywhere.
TEST(InodeDfInTheSameSession, TheMarkerSplitsTheListingsWhereverThePiecesEnd) {
    SetInputs();
    gDfRequest = {true, true};
    // A mount name that holds the marker's text does not end the listing.
    const std::string space = kWrapped + "/dev/q 1 1 0 100% /q" + std::string(kInodeMarker) + "\n";
    const std::string inodes =
        "Filesystem Inodes IUsed IFree IUse% Mounted on\n/dev/sda1 100 40 60 40% /\n"
        "/dev/mapper/vg-very-long-name\n 200 50 150 25% /var\n";
    const std::string output = space + std::string(kInodeMarker) + "\n" + inodes;
    const std::vector<MountRecord> spaceOnly = RecordsFor({space});
    for (std::size_t size : {1, 3, 7, 16, 1000}) {
        EXPECT_THAT(RecordsFor(CutEvery(output, size)), ElementsAreArray(spaceOnly)) << size;
        EXPECT_THAT(gInodes.problem, IsEmpty()) << size;
        ASSERT_EQ(gInodes.records.size(), 2u) << size;
        EXPECT_EQ(gInodes.records[1].mount, "/var");
        EXPECT_EQ(gInodes.records[1].free, 150);
    }
    // Without the marker the inode listing is missing, and says so.
    RecordsFor({space});
    EXPECT_TRUE(gInodes.asked);
    EXPECT_THAT(gInodes.problem, HasSubstr("did not arrive"));
    gDfRequest = {};
}

TEST(InodeDfInTheSameSession, AnOsWithoutInodeFiguresSendsTheSpaceDfAndSaysWhy) {
    SetInputs();
    gOS = "VMESX";
    gDfRequest = {true, true};
    FakePlatform platform;
    ScopedSshPlatform scope(platform);
    platform.sessions = {Session({kWrapped})};
    RemoteQuery query;
    query.Get_mount_list(std::string("-1"));
    query.WaitUntilDisconnected();
    EXPECT_THAT(platform.logs[0]->calls, ::testing::Contains("SetCommand vdf ;exit"));
    EXPECT_EQ(gInodes.problem, "df on OS VMESX prints no inode figures");
    EXPECT_EQ(gMountCount, 4);
    gDfRequest = {};
}

TEST_F(RemoteQueryTest, OutputBeyondTheCapEndsTheQueryWithAFailure) {
    std::string lines;
    while (lines.size() < 32000) {  // a piece's byte count is 16-bit
        lines += "/dev/x 1 1 0 100% /x\n";
    }
    std::vector<FakeStep> steps = {Connect(), Output("Filesystem Size\n")};
    for (std::size_t sent = 0; sent <= RemoteQuery::kMaxOutputBytes; sent += lines.size()) {
        steps.push_back(Output(lines));
    }
    platform.sessions.push_back(std::move(steps));
    Run();
    EXPECT_EQ(gErrorText, "The server sent more output than a df listing can hold");
    EXPECT_TRUE(gDisconnected);
}

}  // namespace
}  // namespace tavrix
