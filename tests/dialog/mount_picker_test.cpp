#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "dialog/mount_listing.h"
#include "dialog_fixture.h"
#include "query/query_state.h"
#include "scripted_ssh.h"

namespace tavrix::dialog_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kHeader = "Filesystem 1K-blocks Used Available Use% Mounted on";

// A loaded settings form with login data, its listing run on a scripted SSH
// platform installed for this thread.
struct PickerFixture : DialogFixture {
    ScriptedSshPlatform ssh;
    ScopedSshPlatform scope{ssh};

    explicit PickerFixture(const std::string& user = "monitor", const std::string& password = "pw",
                           const std::string& keyfile = "") {
        form.LoadSettings("server1", "10", "");
        ui.Type(ControlId::txtUsername, user);
        ui.Type(ControlId::txtPassword, password);
        ui.Type(ControlId::txtKeyfile, keyfile);
        ui.Type(ControlId::txtResource, "/old");
    }
    std::string Resource() const { return ui.State(ControlId::txtResource).text; }
};

struct RefusalCase {
    std::string user;
    std::string password;
    std::string keyfile;
    std::optional<std::string> message;  // none: the query runs
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << "user \"" << c.user << "\", password set " << !c.password.empty() << ", key file \""
         << c.keyfile << "\"";
}

class PickerLoginData : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PickerLoginData, RefusesWithoutUserOrSecretAndConnectsOtherwise) {
    const RefusalCase& c = GetParam();
    PickerFixture f(c.user, c.password, c.keyfile);
    f.ssh.script = {ConnectedOk(), Output(kHeader + "\n"), Disconnect()};

    f.form.btListResources_Click();

    EXPECT_EQ(f.ui.repaints.front(), "lblworking=Working...");
    EXPECT_EQ(f.ui.State(ControlId::lblworking).text, "");
    if (c.message) {
        EXPECT_THAT(f.ui.messages, ElementsAre(ShownMessage{*c.message, MessageStyle::Stop}));
        EXPECT_EQ(f.ssh.clientsCreated, 0);
    } else {
        EXPECT_THAT(f.ui.messages, IsEmpty());
        EXPECT_EQ(f.ssh.clientsCreated, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MountPicker, PickerLoginData,
    ::testing::Values(RefusalCase{"", "pw", "", std::string(kNoUsernameMessage)},
                      RefusalCase{"", "", "", std::string(kNoUsernameMessage)},
                      RefusalCase{"monitor", "", "", std::string(kNoPasswordMessage)},
                      RefusalCase{"monitor", "", "/home/m/.ssh/id_rsa", std::nullopt},
                      RefusalCase{"monitor", "pw", "", std::nullopt}));

struct CopyCase {
    std::string name;
    FormValues values;
    std::string timeout;
    std::int16_t port;
    std::int16_t timeoutSeconds;
    std::string protocol;
    std::string os;
    std::string eol;
    std::string keyType;
};

FormValues With(void (*change)(FormValues&)) {
    FormValues values;
    change(values);
    return values;
}

class CopyToQueryState : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyToQueryState, TakesTheFormAsTheListingNeedsIt) {
    const CopyCase& c = GetParam();
    // What an earlier query on this thread left behind.
    gProtocol = "2";
    gOS = "AIX";
    gResource = "/var";
    SetUpListingQuery(ListingInputs(c.values, "server1", c.timeout));
    EXPECT_EQ(gPort, c.port);
    EXPECT_EQ(gTimeout, c.timeoutSeconds);
    EXPECT_EQ(gProtocol, c.protocol);
    EXPECT_EQ(gOS, c.os);
    EXPECT_EQ(gEOL, c.eol);
    EXPECT_EQ(gKeyType, c.keyType);
    EXPECT_EQ(gHostname, "server1");
    EXPECT_EQ(gResource, "");
}

INSTANTIATE_TEST_SUITE_P(
    MountPicker, CopyToQueryState,
    ::testing::Values(CopyCase{"defaults", FormValues{}, "10", 22, 10, "A", "LINUX", "LF", "RSA"},
                      CopyCase{"portNotANumber", With([](FormValues& v) { v.port = "abc"; }), "10",
                               0, 10, "A", "LINUX", "LF", "RSA"},
                      CopyCase{"portWithBlanksAndTail",
                               With([](FormValues& v) { v.port = " 2222x"; }), "10", 2222, 10, "A",
                               "LINUX", "LF", "RSA"},
                      CopyCase{"halvesToEven", With([](FormValues& v) { v.port = "22.5"; }), "2.5",
                               22, 2, "A", "LINUX", "LF", "RSA"},
                      CopyCase{"halvesUp", With([](FormValues& v) { v.port = "23.5"; }), " 3.5 ",
                               24, 4, "A", "LINUX", "LF", "RSA"},
                      CopyCase{"typedListsKeepThePreviousQuerys", With([](FormValues& v) {
                                   v.protocolIndex = -1;
                                   v.osIndex = -1;
                                   v.eolIndex = -1;
                                   v.keyTypeIndex = -1;
                               }),
                               "10", 22, 10, "2", "AIX", "LF", "RSA"},
                      CopyCase{"chosenPositions", With([](FormValues& v) {
                                   v.protocolIndex = 0;
                                   v.osIndex = 9;
                                   v.eolIndex = 2;
                                   v.keyTypeIndex = 1;
                               }),
                               "10", 22, 10, "1", "BRWDF", "CRLF", "DSA"},
                      CopyCase{"crAndSsh2", With([](FormValues& v) {
                                   v.protocolIndex = 1;
                                   v.osIndex = 11;
                                   v.eolIndex = 0;
                               }),
                               "10", 22, 10, "2", "VMESX4", "CR", "RSA"}),
    [](const auto& info) { return info.param.name; });

struct UnexpectedCase {
    std::string name;
    std::string timeout;
    std::string port;
    std::string keyfile;
    std::optional<std::string> keyFailure;
    std::string message;
};

class PickerUnexpectedError : public ::testing::TestWithParam<UnexpectedCase> {};

TEST_P(PickerUnexpectedError, ShowsTheDescriptionWithTheZeroAndLeavesTheMount) {
    const UnexpectedCase& c = GetParam();
    PickerFixture f("monitor", "pw", c.keyfile);
    f.ui.Type(ControlId::txtTimeout, c.timeout);
    f.ui.Type(ControlId::txtPort, c.port);
    f.ssh.keyFileFailure = c.keyFailure;
    f.ssh.script = {ConnectedOk(), Output(kHeader + "\n/dev/sda1 1 1 1 1% /\n"), Disconnect()};

    f.form.btListResources_Click();

    EXPECT_THAT(f.ui.messages, ElementsAre(ShownMessage{c.message, MessageStyle::Plain}));
    EXPECT_EQ(f.Resource(), "/old");
    EXPECT_EQ(f.ui.State(ControlId::lblworking).text, "");
    EXPECT_EQ(f.ui.ShowCount(WindowId::MountList), 0);
    EXPECT_EQ(*f.ssh.clientsAlive, 0);
    EXPECT_FALSE(f.form.ListingRunning());
}

INSTANTIATE_TEST_SUITE_P(
    MountPicker, PickerUnexpectedError,
    ::testing::Values(
        UnexpectedCase{"emptyTimeout", "", "22", "", std::nullopt, "Type mismatch( 0)"},
        UnexpectedCase{"timeoutNotANumber", "ten", "22", "", std::nullopt, "Type mismatch( 0)"},
        UnexpectedCase{"timeoutWithTail", "10s", "22", "", std::nullopt, "Type mismatch( 0)"},
        UnexpectedCase{"timeoutTooLarge", "40000", "22", "", std::nullopt, "Overflow( 0)"},
        UnexpectedCase{"portTooLarge", "10", "70000", "", std::nullopt, "Overflow( 0)"},
        UnexpectedCase{"keyFileUnreadable", "10", "22", "/no/such/key",
                       std::string("Cannot read the key file"), "Cannot read the key file( 0)"}),
    [](const auto& info) { return info.param.name; });

TEST(MountPicker, AFailedQueryShowsTheProblemAndLeavesTheMount) {
    const std::vector<std::pair<std::optional<std::string>, std::vector<SshStep>>> cases = {
        {std::nullopt, {ConnectFailed("Connection refused"), Disconnect()}},
        {std::string("Connection refused"), {}},
    };
    for (const auto& [openFailure, script] : cases) {
        PickerFixture f;
        f.ssh.openConnectionFailure = openFailure;
        f.ssh.script = script;

        f.form.btListResources_Click();

        EXPECT_THAT(f.ui.messages,
                    ElementsAre(ShownMessage{"Problem: Connection refused", MessageStyle::Plain}));
        EXPECT_EQ(f.ui.ShowCount(WindowId::MountList), 0);
        EXPECT_EQ(f.Resource(), "/old");
        EXPECT_THAT(f.ui.repaints, ElementsAre("lblworking=Working...", "lblworking="));
        EXPECT_EQ(*f.ssh.clientsAlive, 0);
    }
}

TEST(MountPicker, ListsMountsInOutputOrderAndADoubleClickPicksOneExactly) {
    PickerFixture f;
    f.ssh.script = {ConnectedOk(),
                    Output(kHeader + "\n/dev/sda1 100 50 50 50% /\n/dev/sdb1 10 5 5 50% /zeta\n"),
                    Output("/dev/sdc1 10 5 5 50% /mnt/my disk\n/dev/sdd1 10 5 5 50% /alpha\n"),
                    Disconnect()};
    std::vector<std::string> listed;
    f.ui.WhenShown(WindowId::MountList, [&] {
        listed = f.ui.State(ControlId::lstResources).items;
        f.ui.Choose(ControlId::lstResources, 2);
        f.ui.DoubleClick(ControlId::lstResources);
    });

    f.form.btListResources_Click();

    EXPECT_THAT(listed, ElementsAre("/", "/zeta", "/mnt/my disk", "/alpha"));
    EXPECT_EQ(f.Resource(), "/mnt/my disk");
    EXPECT_EQ(f.ui.Caption(WindowId::MountList), "Mounts on server1");
    EXPECT_THAT(f.ui.topmostCalls, ElementsAre(std::pair{WindowId::MountList, true}));
    EXPECT_EQ(f.ui.State(ControlId::lblFirstLine).text, kHeader);
    EXPECT_THAT(f.ui.messages, IsEmpty());
    EXPECT_THAT(f.ui.repaints, ElementsAre("lblworking=Working...", "lblworking="));
    EXPECT_EQ(*f.ssh.clientsAlive, 0);
    ASSERT_TRUE(f.ssh.handedOver.command.has_value());
    EXPECT_EQ(*f.ssh.handedOver.command, "df -k ;exit");
    EXPECT_EQ(f.ssh.handedOver.timeLimit, 10);
    EXPECT_EQ(f.ssh.handedOver.user, "monitor");
}

TEST(MountPicker, EmptyRecordsListAsEmptyLines) {
    gMountRecords.assign(4, MountRecord{});
    gMountRecords[0].Mount = "/";
    gMountRecords[2].Mount = "/var";
    gMountRecords[3].Mount = "/not-counted";
    gMountCount = 3;
    EXPECT_THAT(ListedMounts(), ElementsAre("/", "", "/var"));
}

TEST(MountPicker, ANoOutputQueryOpensAnEmptyListAndADoubleClickEmptiesTheMount) {
    PickerFixture f;
    f.ssh.script = {ConnectedOk(), Output(kHeader + "\n"), Disconnect()};
    int lines = -1;
    f.ui.WhenShown(WindowId::MountList, [&] {
        lines = f.ui.ItemCount(ControlId::lstResources);
        f.ui.DoubleClick(ControlId::lstResources);
    });
    f.form.btListResources_Click();
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(f.Resource(), "");
}

TEST(MountPicker, ClosingTheListKeepsTheMountUnlessOneWasPicked) {
    // gChosenMount lives as long as the thread; neither a fresh thread's empty
    // one nor an earlier pick may wipe the mount in the field.
    std::vector<std::string> resources;
    std::thread fresh([&] {
        PickerFixture f;
        const std::vector<SshStep> script = {
            Output(kHeader + "\n/dev/sda1 1 1 1 1% /\n/dev/sdb1 1 1 1 1% /home\n"), Disconnect()};
        f.ssh.script = script;
        f.ui.WhenShown(WindowId::MountList, [] {});  // closed with the close box
        f.form.btListResources_Click();
        resources.push_back(f.Resource());

        f.ui.WhenShown(WindowId::MountList, [&] {
            f.ui.Choose(ControlId::lstResources, 1);
            f.ui.DoubleClick(ControlId::lstResources);
        });
        f.form.btListResources_Click();
        resources.push_back(f.Resource());

        f.ui.Type(ControlId::txtResource, "/typed");
        f.ui.WhenShown(WindowId::MountList, [] {});
        f.form.btListResources_Click();
        resources.push_back(f.Resource());
    });
    fresh.join();
    EXPECT_THAT(resources, ElementsAre("/old", "/home", "/typed"));
}

const std::string kKeyA = "ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE";
const std::string kKeyB = "ssh-ed25519 SHA256:kM7JCOIQpoWNSpk9gXlQIitH6cbkFwyuYvBdDqcw/XQ";

struct HostKeyCase {
    const char* name;
    std::string pin;  // stored in the parameter string
    std::vector<bool> answers;
    bool forgetFirst;
    std::string field;      // the host key field afterwards
    bool warned;            // the Yes/No warning was shown
    int logins;             // logins that reached the server
    std::string storedPin;  // HKEY of the string OK builds
};

void PrintTo(const HostKeyCase& c, std::ostream* out) {
    *out << c.name;
}

class PickerHostKey : public ::testing::TestWithParam<HostKeyCase> {};

// The server shows kKeyB.
TEST_P(PickerHostKey, LearnsTheKeyAndAsksBeforeTrustingAnother) {
    const HostKeyCase& c = GetParam();
    PickerFixture f;
    f.form.LoadSettings("server1", "10",
                        "#USR=monitor#PWD=cHc=#OS=LINUX#RAN=0#HKEY=" + c.pin + "#");
    f.ssh.script = {OfferHostKey(kKeyB), ConnectedOk(),
                    Output(kHeader + "\n/dev/sda1 1 1 1 1% /\n"), Disconnect()};
    f.ui.answers.assign(c.answers.begin(), c.answers.end());
    if (c.forgetFirst) {
        f.ui.Click(ControlId::btForgetHostKey);
        EXPECT_EQ(f.ui.State(ControlId::txtHostKey).text, "not checked");
    }
    f.ui.WhenShown(WindowId::MountList, [] {});

    f.form.btListResources_Click();

    EXPECT_EQ(f.ui.State(ControlId::txtHostKey).text, c.field);
    EXPECT_EQ(f.ssh.logins, c.logins);
    const std::vector<ShownMessage> warning = {ShownMessage{
        "WARNING: the host key of server1 has changed.\n\nExpected:\n" + kKeyA +
            "\n\nThe server offered:\n" + kKeyB +
            "\n\nAnother machine may be answering in its place. Send the login to it only "
            "if you know why the key changed.\n\nTrust the new key?",
        MessageStyle::WarningYesNo}};
    EXPECT_EQ(f.ui.messages, c.warned ? warning : std::vector<ShownMessage>{});
    EXPECT_EQ(f.ui.ShowCount(WindowId::MountList), c.logins);
    f.ui.Click(ControlId::btOK);
    EXPECT_EQ(GetKeyValue(gNewParameters, "HKEY"), c.storedPin);
}

INSTANTIATE_TEST_SUITE_P(
    MountPicker, PickerHostKey,
    ::testing::Values(
        HostKeyCase{"NoPinLearnsTheKey", "", {}, false, kKeyB, false, 1, kKeyB},
        HostKeyCase{"PinMatches", kKeyB, {}, false, kKeyB, false, 1, kKeyB},
        HostKeyCase{"ChangedAndNoKeepsThePin", kKeyA, {false}, false, kKeyA, true, 0, kKeyA},
        HostKeyCase{"ChangedAndYesTrustsTheNewKey", kKeyA, {true}, false, kKeyB, true, 1, kKeyB},
        HostKeyCase{"ForgetThenLearn", kKeyA, {}, true, kKeyB, false, 1, kKeyB}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MountPicker, PressesDuringARunningListingAreIgnored) {
    PickerFixture f;
    gNewParameters = "left by an earlier OK";
    f.ssh.script = {ConnectedOk(), Output(kHeader + "\n/dev/sda1 1 1 1 1% /\n"), Disconnect()};
    bool closed = true;
    f.ssh.duringWait = [&] {
        f.ui.Click(ControlId::btListResources);
        f.ui.Click(ControlId::btOK);
        closed = f.ui.PressCloseBox(WindowId::Settings);
    };
    f.ui.WhenShown(WindowId::MountList, [&] {
        f.ui.Choose(ControlId::lstResources, 0);
        f.ui.DoubleClick(ControlId::lstResources);
    });

    f.form.btListResources_Click();

    EXPECT_FALSE(closed);
    EXPECT_TRUE(f.form.IsLoaded());
    EXPECT_EQ(f.ssh.clientsCreated, 1);
    EXPECT_EQ(f.ui.ShowCount(WindowId::MountList), 1);
    EXPECT_THAT(f.ui.messages, IsEmpty());
    EXPECT_EQ(gNewParameters, "left by an earlier OK");
    EXPECT_EQ(f.Resource(), "/");

    // Once the listing is over, OK works again.
    f.ui.Click(ControlId::btOK);
    EXPECT_FALSE(f.form.IsLoaded());
    EXPECT_THAT(gNewParameters, ::testing::HasSubstr("#RES=/#"));
}

}  // namespace
}  // namespace tavrix::dialog_test
