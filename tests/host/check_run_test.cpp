#include "host/check_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "../query/fake_ssh.h"
#include "query/query_state.h"
#include "support/base64.h"
#include "support/trace.h"

namespace tavrix {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using namespace tavrix::testing;

const char* const kListing =
    "Filesystem 1K-blocks Used Available Use% Mounted on\n"
    "/dev/sda1 1000 400 600 40% /\n"
    "/dev/sdb1 4000000 854 3145728 85% /var\n";

constexpr const char* kPin = "ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE";
constexpr const char* kOtherKey = "ssh-rsa SHA256:kM7JCOIQpoWNSpk9gXlQIitH6cbkFwyuYvBdDqcw/XQ";

std::string Parameters(const std::string& extra = "") {
    return "#ENC=T#USR=monitor#PWD=" + Base64Encode("secret") +
           "#PROTO=A#PORT=22#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=/"
           "var#UNIT=GB#COM=2.5#EOL=LF#RAN=0#" +
           extra;
}

// Parameters with one key's value replaced; the first entry of a key wins.
std::string With(const std::string& key, const std::string& value) {
    return "#" + key + "=" + value + Parameters();
}

class CheckRunTest : public ::testing::Test {
  protected:
    bool Check(const std::string& parameters, PropertyValue timeout = 10.0) {
        check.kx_hostname = std::string("db1");
        check.kx_timeout = std::move(timeout);
        check.kx_parameter = parameters;
        return check.kx_docheck();
    }
    std::string Result() const { return PropertyText(check.kx_result); }
    bool Traced(const std::string& prefix) const {
        for (const std::string& text : traces.Texts()) {
            if (text.starts_with(prefix)) {
                return true;
            }
        }
        return false;
    }

    FakePlatform platform;
    ScopedSshPlatform scope{platform};
    TraceCapture traces;
    CheckObject check;
};

struct StopCase {
    const char* name;
    std::string parameters;
    PropertyValue timeout;
    std::string result;
    bool queried;
};

void PrintTo(const StopCase& value, std::ostream* out) {
    *out << value.name;
}

class CheckRunStopTest : public CheckRunTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(CheckRunStopTest, StopsWithTheTextAndNoTrace) {
    platform.sessions = {Session({kListing})};
    platform.keyFailure = "Key file /keys/none cannot be read";
    EXPECT_FALSE(Check(GetParam().parameters, GetParam().timeout));
    EXPECT_EQ(Result(), GetParam().result);
    EXPECT_FALSE(Traced("Return value: "));
    EXPECT_EQ(platform.logs.empty(), !GetParam().queried);
    const CheckOutcome& outcome = check.LastOutcome();
    EXPECT_TRUE(outcome.status == CheckStatus::Refused || outcome.status == CheckStatus::Failed);
    EXPECT_FALSE(outcome.record);
    if (!platform.logs.empty()) {
        EXPECT_THAT(platform.LastCalls(), ::testing::Not(Contains("OpenConnection")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckRunStopTest,
    ::testing::Values(
        StopCase{"EmptyParameter", "", 10.0,
                 "ERR: can't connect to an SSH server without a USERNAME", false},
        StopCase{"NoUser", With("USR", ""), 10.0,
                 "ERR: can't connect to an SSH server without a USERNAME", false},
        StopCase{"NoPasswordNoKeyFile", With("PWD", ""), 10.0,
                 "ERR: can't connect to an SSH server without a PASSWORD", false},
        StopCase{"PortOverflow", With("PORT", "40000"), 10.0, "ERR: Overflow( 0)", false},
        StopCase{"BlockSizeOverflow", With("BLK", "3e9"), 10.0, "ERR: Overflow( 0)", false},
        StopCase{"TimeoutOverflow", Parameters(), 40000.0, "ERR: Overflow( 0)", false},
        StopCase{"TimeoutText", Parameters(), std::string("ten"), "ERR: Type mismatch( 0)", false},
        StopCase{"TimeoutTextWithTail", Parameters(), std::string("10s"), "ERR: Type mismatch( 0)",
                 false},
        StopCase{"KeyFileUnreadable", With("KEYF", "/keys/none"), 10.0,
                 "ERR: Key file /keys/none cannot be read( 0)", true},
        StopCase{"RefusedWindowsMount", "#RES=c:&del" + With("OS", "BRWDF"), 10.0,
                 "ERR: The mount name c:&del holds a character that the Windows shell would "
                 "interpret (only letters, digits, blanks and \\ / : . _ - + , @ ~ ( ) [ ] { } ? "
                 "are sent)( 0)",
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckRunTest, APasswordThatDoesNotDecodeFailsInTheFrame) {
    EXPECT_FALSE(Check(With("PWD", "=AAA")));
    EXPECT_THAT(Result(), StartsWith("ERR: "));
    EXPECT_THAT(Result(), ::testing::EndsWith("( 0)"));
    EXPECT_EQ(check.LastOutcome().status, CheckStatus::Failed);
    EXPECT_TRUE(platform.logs.empty());
}

struct QueryCase {
    const char* name;
    std::string parameters;
    std::vector<FakeStep> session;
    bool result;
    std::string text;
};

void PrintTo(const QueryCase& value, std::ostream* out) {
    *out << value.name;
}

class CheckRunQueryTest : public CheckRunTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(CheckRunQueryTest, AnswersAndTracesTheResult) {
    platform.sessions = {GetParam().session};
    EXPECT_EQ(Check(GetParam().parameters), GetParam().result);
    EXPECT_EQ(Result(), GetParam().text);
    EXPECT_THAT(traces.Texts(), Contains("Return value: " + GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckRunQueryTest,
    ::testing::Values(
        QueryCase{"Enough", Parameters(), Session({kListing}), true, "Free space on /var is 3 GB"},
        QueryCase{"AsNumber", With("RAN", "1"), Session({kListing}), true, "3 GB"},
        QueryCase{"NotEnough", With("COM", "3.01"), Session({kListing}), false,
                  "Free space on /var is 3 GB"},
        QueryCase{"KeyFileAlone", "#KEYF=/keys/id" + With("PWD", ""), Session({kListing}), true,
                  "Free space on /var is 3 GB"},
        QueryCase{"UnknownMount", With("RES", "/opt"), Session({kListing}), false, "Unknown mount"},
        QueryCase{"ErrorTextWordForWord",
                  Parameters(),
                  {Connect(10061, "Connection refused by db1:22"), Disconnect()},
                  false,
                  "Connection refused by db1:22"},
        QueryCase{"ErrorAfterTheMountArrived",
                  Parameters(),
                  {Connect(), Output(kListing), Connect(-1, "Connection lost"), Disconnect()},
                  false,
                  "Connection lost"},
        QueryCase{"LoginFailedWithoutText",
                  Parameters(),
                  {Connect(3), Disconnect()},
                  false,
                  "The SSH connection failed (error 3)"},
        QueryCase{"EndedBeforeConnecting",
                  Parameters(),
                  {Disconnect()},
                  false,
                  "The SSH session ended before it connected"},
        QueryCase{"PinnedKeyMatches",
                  Parameters("HKEY=" + std::string(kPin) + "#"),
                  {OfferHostKey(kPin), Connect(), Output(kListing), Disconnect()},
                  true,
                  "Free space on /var is 3 GB"},
        QueryCase{"PinnedKeyChanged",
                  Parameters("HKEY=" + std::string(kPin) + "#"),
                  {OfferHostKey(kOtherKey), Connect(), Output(kListing), Disconnect()},
                  false,
                  "The host key of db1 has changed: expected " + std::string(kPin) +
                      ", the server offered " + kOtherKey}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckRunTest, TheOutcomeCarriesTheRecordUsed) {
    platform.sessions = {Session({kListing})};
    EXPECT_TRUE(Check(Parameters()));
    const CheckOutcome& outcome = check.LastOutcome();
    ASSERT_TRUE(outcome.record);
    EXPECT_EQ(outcome.record->Mount, "/var");
    EXPECT_EQ(outcome.record->Available, 3145728);
    EXPECT_EQ(outcome.blockSize, 1024);
    EXPECT_EQ(outcome.status, CheckStatus::Evaluated);
    EXPECT_THAT(platform.LastCalls(), Contains("SetCommand df -k /var;exit"));
    EXPECT_THAT(platform.LastCalls(), Contains("SetHost db1"));
}

TEST_F(CheckRunTest, TheTimeoutIsRoundedHalfToEven) {
    const std::vector<std::pair<PropertyValue, std::string>> cases = {
        {PropertyValue{}, "SetTimeLimit 0"},
        {7.5, "SetTimeLimit 8"},
        {6.5, "SetTimeLimit 6"},
        {std::string(" 12 "), "SetTimeLimit 12"},
        {std::string("2.5"), "SetTimeLimit 2"},
    };
    for (const auto& [timeout, call] : cases) {
        platform.sessions = {Session({kListing})};
        EXPECT_TRUE(Check(Parameters(), timeout)) << call;
        EXPECT_THAT(platform.LastCalls(), Contains(call));
    }
}

TEST_F(CheckRunTest, ASessionThatNeverEndsEndsTheCheckWithATimeOut) {
    platform.sessions = {{Connect(), Output(kListing)}};
    EXPECT_FALSE(Check(Parameters(), 1.0));
    EXPECT_THAT(Result(), HasSubstr("Time-out"));
    EXPECT_EQ(check.LastOutcome().status, CheckStatus::TimedOut);
    EXPECT_LT(check.LastOutcome().elapsed, std::chrono::seconds(30));
}

// The client's own time limit is a time-out, whatever the elapsed time; every
// other failure is not, however long it took.
TEST_F(CheckRunTest, OnlyTheTimeLimitIsATimeOut) {
    const std::vector<std::pair<std::vector<FakeStep>, CheckStatus>> cases = {
        {{Connect(kErrorTimeLimit, "Timed out after 10 seconds"), Disconnect()},
         CheckStatus::TimedOut},
        {{Connect(), Output(kListing), Connect(kErrorTimeLimit, "Timed out after 10 seconds"),
          Disconnect()},
         CheckStatus::TimedOut},
        {{Connect(6, "Login failed"), Disconnect()}, CheckStatus::Failed},
        {{Disconnect()}, CheckStatus::Failed},
    };
    for (const auto& [session, status] : cases) {
        platform.sessions = {session};
        EXPECT_FALSE(Check(Parameters()));
        EXPECT_EQ(check.LastOutcome().status, status) << Result();
        EXPECT_FALSE(check.LastOutcome().record);
    }
}

// The command line's listing of every mount: the stored mount is neither sent
// nor looked for, and the outcome carries every record.
TEST_F(CheckRunTest, AllMountsListsEveryRecordInTheOutcome) {
    platform.sessions = {Session({kListing})};
    check.kx_hostname = std::string("db1");
    check.kx_timeout = 10.0;
    check.kx_parameter = Parameters();
    const CheckOutcome& outcome = check.Run([](QueryInputs& inputs) { inputs.allMounts = true; });
    EXPECT_EQ(outcome.status, CheckStatus::Listed);
    EXPECT_THAT(platform.LastCalls(), Contains("SetCommand df -k ;exit"));
    ASSERT_EQ(outcome.query.records.size(), 2U);
    EXPECT_EQ(outcome.query.records[0].Mount, "/");
    EXPECT_EQ(outcome.query.records[1].Mount, "/var");
    EXPECT_EQ(outcome.settings.unit, "GB");
    EXPECT_EQ(outcome.settings.blockSize, 1024);
    EXPECT_THAT(outcome.query.header, StartsWith("Filesystem"));
}

TEST_F(CheckRunTest, ThePasswordIsNeverTraced) {
    platform.sessions = {Session({kListing})};
    Check(Parameters());
    for (const std::string& text : traces.Texts()) {
        EXPECT_THAT(text, ::testing::Not(HasSubstr("secret")));
    }
}

TEST(CheckRunThreads, ChecksOnThreeThreadsKeepTheirOwnResults) {
    const std::vector<std::pair<std::string, std::string>> checks = {
        {"/", "Free space on / is 0.6 MB"},
        {"/var", "Free space on /var is 3072 MB"},
        {"/opt", "Unknown mount"},
    };
    std::vector<std::string> results(checks.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        threads.emplace_back([&, i] {
            FakePlatform platform;
            ScopedSshPlatform scope(platform);
            // Byte-sized pieces make the three queries interleave.
            std::vector<std::string> pieces;
            for (char c : std::string(kListing)) {
                pieces.emplace_back(1, c);
            }
            platform.sessions = {Session(pieces)};
            CheckObject check;
            check.kx_timeout = 10.0;
            check.kx_hostname = std::string("host") + std::to_string(i);
            check.kx_parameter = "#USR=u#PWD=" + Base64Encode("p") +
                                 "#OS=LINUX#BLK=1024#UNIT=MB#EOL=LF#RES=" + checks[i].first + "#";
            check.kx_docheck();
            results[i] = PropertyText(check.kx_result);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < checks.size(); ++i) {
        EXPECT_EQ(results[i], checks[i].second);
    }
}

}  // namespace
}  // namespace tavrix
