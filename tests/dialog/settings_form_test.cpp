#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/dialog_layout.h"
#include "dialog/form_values.h"
#include "dialog/show_gui.h"
#include "dialog_fixture.h"
#include "support/base64.h"
#include "support/failure.h"
#include "support/trace.h"

namespace tavrix::dialog_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Checks every expectation against the live form, naming the control.
void ExpectControls(const RecordingToolkit& ui, const std::vector<ControlExpectation>& expected) {
    for (const ControlExpectation& want : expected) {
        const ControlEntry& entry = EntryOf(want.id);
        const ControlState& state = ui.State(want.id);
        if (entry.kind == ControlKind::ComboBox) {
            EXPECT_EQ(state.listIndex, want.listIndex) << entry.name;
            EXPECT_EQ(state.text, want.text) << entry.name;
        } else if (entry.kind == ControlKind::CheckBox) {
            EXPECT_EQ(state.checked, want.checked) << entry.name;
        } else {
            EXPECT_EQ(state.text, want.text) << entry.name;
        }
    }
}

TEST(SettingsForm, FreshDialogShowsEveryDefaultAndOnlyHostValuesFromTheHost) {
    DialogFixture f;
    TraceCapture traces;
    PropertyValue parameter;  // never set by the host
    f.ui.WhenShown(WindowId::Settings, [&] {
        ExpectControls(f.ui, {
                                 {ControlId::txtHostname, "server1"},
                                 {ControlId::cmbProtocol, "SSH Auto", 2},
                                 {ControlId::txtPort, "22"},
                                 {ControlId::txtUsername, ""},
                                 {ControlId::txtPassword, ""},
                                 {ControlId::txtKeyfile, ""},
                                 {ControlId::cmbKeyType, "RSA", 0},
                                 {ControlId::cmbOS, "Linux", 0},
                                 {ControlId::cmbBlockSize, "1024 bytes (1 KB)", 2},
                                 {ControlId::cmbEOL, "LF", 1},
                                 {ControlId::txtResource, ""},
                                 {ControlId::txtCompareValue, ""},
                                 {ControlId::cmbUnit, "Bytes", 0},
                                 {ControlId::txtTimeout, "10"},
                                 {ControlId::chkReturn_as_number, "", -1, false},
                                 {ControlId::lblworking, ""},
                                 {ControlId::lblFirstLine, ""},
                             });
        EXPECT_FALSE(f.ui.IsEnabled(ControlId::txtHostname));
        EXPECT_FALSE(f.ui.IsEnabled(ControlId::txtTimeout));
        EXPECT_EQ(f.ui.Caption(WindowId::Settings), SettingsWindowCaption());
        EXPECT_EQ(f.ui.State(ControlId::cmbOS).items.size(), 12u);
        EXPECT_THAT(f.ui.State(ControlId::cmbUnit).items,
                    ElementsAre("Bytes", "Kilobytes (KB)", "Megabytes (MB)", "Gigabytes (GB)",
                                "Terabytes (TB)", "%"));
        EXPECT_THAT(f.ui.State(ControlId::cmbProtocol).items,
                    ElementsAre("SSH1", "SSH2", "SSH Auto"));
        EXPECT_THAT(f.ui.State(ControlId::cmbEOL).items, ElementsAre("CR", "LF", "CRLF"));
        EXPECT_THAT(f.ui.State(ControlId::cmbKeyType).items, ElementsAre("RSA", "DSA"));
    });

    kx_showGUI(PropertyValue{std::string("  server1 ")}, PropertyValue{10.0}, parameter, f.form);

    EXPECT_EQ(f.ui.ShowCount(WindowId::Settings), 1);
    EXPECT_THAT(f.ui.topmostCalls, ElementsAre(std::pair{WindowId::Settings, true}));
    EXPECT_THAT(traces.Texts(), IsEmpty());  // no "extracting parameters" without a string
    EXPECT_TRUE(std::holds_alternative<std::monostate>(parameter));
}

struct OsBlockSizeCase {
    int os;
    int blockSize;  // after the user had chosen 8192 bytes
};

void PrintTo(const OsBlockSizeCase& c, std::ostream* out) {
    *out << "os " << c.os << " -> block size " << c.blockSize;
}

class BlockSizeFollowsOs : public ::testing::TestWithParam<OsBlockSizeCase> {};

TEST_P(BlockSizeFollowsOs, ChoosingAnOsSetsItsBlockSizeOrLeavesTheUsersChoice) {
    DialogFixture f;
    f.form.SetText(ControlId::txtUsername, "");  // loads the form
    f.ui.Choose(ControlId::cmbBlockSize, 5);
    if (GetParam().os < 0) {
        f.ui.Type(ControlId::cmbOS, "Plan 9");
        f.form.cmbOS_Click();
    } else {
        f.ui.Choose(ControlId::cmbOS, GetParam().os);
    }
    EXPECT_EQ(f.ui.State(ControlId::cmbBlockSize).listIndex, GetParam().blockSize);
}

INSTANTIATE_TEST_SUITE_P(SettingsForm, BlockSizeFollowsOs,
                         ::testing::Values(OsBlockSizeCase{0, 2}, OsBlockSizeCase{1, 2},
                                           OsBlockSizeCase{2, 2}, OsBlockSizeCase{3, 2},
                                           OsBlockSizeCase{4, 1}, OsBlockSizeCase{5, 2},
                                           OsBlockSizeCase{6, 1}, OsBlockSizeCase{7, 2},
                                           OsBlockSizeCase{8, 5}, OsBlockSizeCase{9, 5},
                                           OsBlockSizeCase{10, 5}, OsBlockSizeCase{11, 5},
                                           OsBlockSizeCase{-1, 5}));

struct LoadingCase {
    std::string parameters;
    ControlExpectation expected;
};

void PrintTo(const LoadingCase& c, std::ostream* out) {
    *out << EntryOf(c.expected.id).name << " from \"" << c.parameters << "\"";
}

class LoadingFromParameters : public ::testing::TestWithParam<LoadingCase> {};

TEST_P(LoadingFromParameters, SetsTheControlAsStoredOrFallsBack) {
    DialogFixture f;
    f.form.LoadSettings("server1", "10", GetParam().parameters);
    ExpectControls(f.ui, {GetParam().expected});
}

const std::string kFull = "#ENC=T#USR=Monitor#PWD=" + Base64Encode("pa ss\xE4") +
                          "#PROTO=1#PORT=2222#KEYF=C:\\keys\\id_dsa#KEYT=DSA#OS=AIX#BLK=4096"
                          "#RES=/var/my disk#UNIT=GB#COM=2.50#EOL=CRLF#RAN=1#";

INSTANTIATE_TEST_SUITE_P(
    SettingsForm, LoadingFromParameters,
    ::testing::Values(
        // Every key of a complete string.
        LoadingCase{kFull, {ControlId::txtUsername, "Monitor"}},
        LoadingCase{kFull, {ControlId::txtPassword, "pa ss\xE4"}},
        LoadingCase{kFull, {ControlId::cmbProtocol, "SSH1", 0}},
        LoadingCase{kFull, {ControlId::txtPort, "2222"}},
        LoadingCase{kFull, {ControlId::txtKeyfile, "C:\\keys\\id_dsa"}},
        LoadingCase{kFull, {ControlId::cmbKeyType, "DSA", 1}},
        LoadingCase{kFull, {ControlId::cmbOS, "AIX", 6}},
        LoadingCase{kFull, {ControlId::cmbBlockSize, "4096 bytes (4 KB)", 4}},
        LoadingCase{kFull, {ControlId::txtResource, "/var/my disk"}},
        LoadingCase{kFull, {ControlId::cmbUnit, "Gigabytes (GB)", 3}},
        LoadingCase{kFull, {ControlId::txtCompareValue, "2.5"}},
        LoadingCase{kFull, {ControlId::cmbEOL, "CRLF", 2}},
        LoadingCase{kFull, {ControlId::chkReturn_as_number, "", -1, true}},
        // Keys in any letter case, values compared exactly.
        LoadingCase{"#usr=admin#os=SOLARIS#", {ControlId::txtUsername, "admin"}},
        LoadingCase{"#usr=admin#os=SOLARIS#", {ControlId::cmbOS, "Solaris", 2}},
        LoadingCase{"#OS=linux#UNIT=gb#", {ControlId::cmbOS, "Linux", 0}},
        LoadingCase{"#OS=linux#UNIT=gb#", {ControlId::cmbUnit, "Bytes", 0}},
        LoadingCase{"#UNIT=%#", {ControlId::cmbUnit, "%", 5}},
        LoadingCase{"#KEYT=dsa#", {ControlId::cmbKeyType, "RSA", 0}},
        LoadingCase{"#PROTO=2#", {ControlId::cmbProtocol, "SSH2", 1}},
        LoadingCase{"#PROTO=a#", {ControlId::cmbProtocol, "SSH Auto", 2}},
        LoadingCase{"#EOL=CR#", {ControlId::cmbEOL, "CR", 0}},
        LoadingCase{"#EOL=crlf#", {ControlId::cmbEOL, "LF", 1}},
        LoadingCase{"#RAN=yes#", {ControlId::chkReturn_as_number, "", -1, false}},
        // The stored block size wins over the OS rule; an unknown one gives 1024.
        LoadingCase{"#OS=TRUE64#BLK=512#", {ControlId::cmbBlockSize, "512 bytes", 1}},
        LoadingCase{"#OS=TRUE64#", {ControlId::cmbBlockSize, "1024 bytes (1 KB)", 2}},
        LoadingCase{"#BLK=8192.5#", {ControlId::cmbBlockSize, "1024 bytes (1 KB)", 2}},
        LoadingCase{"#BLK= 256#", {ControlId::cmbBlockSize, "256 bytes", 0}},
        // Numbers are read and written back plainly; a missing one reads 0.
        LoadingCase{"#PORT= 22 #", {ControlId::txtPort, "22"}},
        LoadingCase{"#PORT=abc#", {ControlId::txtPort, "0"}},
        LoadingCase{"#USR=x#", {ControlId::txtCompareValue, "0"}},
        LoadingCase{"", {ControlId::txtCompareValue, ""}},
        LoadingCase{"", {ControlId::txtPort, "22"}},
        // The pinned host key, or the words for none.
        LoadingCase{kFull, {ControlId::txtHostKey, "not checked"}},
        LoadingCase{"", {ControlId::txtHostKey, "not checked"}},
        LoadingCase{"#HKEY= ssh-rsa SHA256:kM7JCOIQpoWNSpk9gXlQIitH6cbkFwyuYvBdDqcw/XQ #",
                    {ControlId::txtHostKey,
                     "ssh-rsa SHA256:kM7JCOIQpoWNSpk9gXlQIitH6cbkFwyuYvBdDqcw/XQ"}}));

struct Settings {
    std::string username;
    std::string password;
    int protocol;
    std::string port;
    std::string keyfile;
    int keyType;
    int os;
    int blockSize;
    std::string resource;
    int unit;
    std::string threshold;
    int eol;
    bool returnAsNumber;
};

void Enter(RecordingToolkit& ui, const Settings& s) {
    ui.Type(ControlId::txtUsername, s.username);
    ui.Type(ControlId::txtPassword, s.password);
    ui.Choose(ControlId::cmbProtocol, s.protocol);
    ui.Type(ControlId::txtPort, s.port);
    ui.Type(ControlId::txtKeyfile, s.keyfile);
    ui.Choose(ControlId::cmbKeyType, s.keyType);
    ui.Choose(ControlId::cmbOS, s.os);
    ui.Choose(ControlId::cmbBlockSize, s.blockSize);
    ui.Type(ControlId::txtResource, s.resource);
    ui.Choose(ControlId::cmbUnit, s.unit);
    ui.Type(ControlId::txtCompareValue, s.threshold);
    ui.Choose(ControlId::cmbEOL, s.eol);
    if (s.returnAsNumber) {
        ui.Click(ControlId::chkReturn_as_number);
    }
}

void PrintTo(const Settings& s, std::ostream* out) {
    *out << "user " << s.username << ", os " << s.os << ", mount " << s.resource;
}

class RoundTrip : public ::testing::TestWithParam<Settings> {};

TEST_P(RoundTrip, AStringWrittenByOkReadsBackIntoEveryControl) {
    const Settings& s = GetParam();
    PropertyValue parameter{std::string("#ENC=T#USR=old#")};
    {
        DialogFixture writer;
        writer.ui.WhenShown(WindowId::Settings, [&] {
            Enter(writer.ui, s);
            writer.ui.Click(ControlId::btOK);
        });
        kx_showGUI(PropertyValue{std::string("server1")}, PropertyValue{}, parameter, writer.form);
        EXPECT_THAT(writer.ui.messages, IsEmpty());
    }
    ASSERT_TRUE(std::holds_alternative<std::string>(parameter));

    DialogFixture reader;
    reader.ui.WhenShown(WindowId::Settings, [&] {
        const auto& items = reader.ui.State(ControlId::cmbOS).items;
        ExpectControls(
            reader.ui,
            {{ControlId::txtUsername, s.username},
             {ControlId::txtPassword, s.password},
             {ControlId::cmbProtocol, reader.ui.State(ControlId::cmbProtocol).items[s.protocol],
              s.protocol},
             {ControlId::txtPort, s.port},
             {ControlId::txtKeyfile, s.keyfile},
             {ControlId::cmbKeyType, s.keyType == 1 ? "DSA" : "RSA", s.keyType},
             {ControlId::cmbOS, items[static_cast<std::size_t>(s.os)], s.os},
             {ControlId::cmbBlockSize, reader.ui.State(ControlId::cmbBlockSize).items[s.blockSize],
              s.blockSize},
             {ControlId::txtResource, s.resource},
             {ControlId::cmbUnit, reader.ui.State(ControlId::cmbUnit).items[s.unit], s.unit},
             {ControlId::txtCompareValue, s.threshold},
             {ControlId::cmbEOL, reader.ui.State(ControlId::cmbEOL).items[s.eol], s.eol},
             {ControlId::chkReturn_as_number, "", -1, s.returnAsNumber}});
    });
    PropertyValue unchanged = parameter;
    kx_showGUI(PropertyValue{std::string("server1")}, PropertyValue{}, unchanged, reader.form);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsForm, RoundTrip,
    ::testing::Values(Settings{"monitor", "s3cret", 2, "22", "", 0, 0, 2, "/var", 3, "2.5", 1,
                               false},
                      Settings{"Admin User", "p\xE4ss w=rd#1", 0, "2222", "C:\\keys\\id_dsa", 1, 6,
                               5, "/mnt/my disk", 5, "10", 2, true},
                      Settings{"root", "", 1, "65", "/home/r/.ssh/id_rsa", 0, 11, 0,
                               "/vmfs/volumes/ds1", 4, "0.125", 0, false},
                      Settings{"u", "x", 2, "22", "", 0, 9, 3, "C:", 1, "0", 1, true}));

TEST(SettingsForm, AnEmptyThresholdBecomesZeroInTheFieldAndTheString) {
    DialogFixture f;
    PropertyValue parameter;
    f.ui.WhenShown(WindowId::Settings, [&] {
        f.ui.Type(ControlId::txtUsername, "monitor");
        f.ui.Click(ControlId::btOK);
    });
    kx_showGUI(PropertyValue{std::string("server1")}, PropertyValue{}, parameter, f.form);
    EXPECT_EQ(f.ui.LastState(ControlId::txtCompareValue).text, "0");
    ASSERT_TRUE(std::holds_alternative<std::string>(parameter));
    EXPECT_THAT(std::get<std::string>(parameter), ::testing::HasSubstr("#COM=0#"));
}

TEST(SettingsForm, TheCloseBoxLeavesTheParameterExactlyAsItWas) {
    // An OK on another check leaves its string behind in gNewParameters.
    {
        DialogFixture other;
        PropertyValue otherParameter;
        other.ui.WhenShown(WindowId::Settings, [&] {
            other.ui.Type(ControlId::txtUsername, "someone-else");
            other.ui.Click(ControlId::btOK);
        });
        kx_showGUI(PropertyValue{}, PropertyValue{}, otherParameter, other.form);
        ASSERT_THAT(gNewParameters, ::testing::HasSubstr("someone-else"));
    }

    const std::vector<PropertyValue> stored = {
        PropertyValue{}, PropertyValue{std::string("#ENC=T#USR=mine#")}, PropertyValue{42.0}};
    for (const PropertyValue& before : stored) {
        DialogFixture f;
        PropertyValue parameter = before;
        f.ui.WhenShown(WindowId::Settings, [&] {
            f.ui.Type(ControlId::txtUsername, "edited but not accepted");
            EXPECT_TRUE(f.ui.PressCloseBox(WindowId::Settings));
        });
        kx_showGUI(PropertyValue{std::string("server1")}, PropertyValue{}, parameter, f.form);
        EXPECT_EQ(parameter, before);
    }
}

struct RefusalCase {
    std::string port;
    std::string threshold;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << "port \"" << c.port << "\", threshold \"" << c.threshold << "\"";
}

class OkRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(OkRefuses, ABadPortOrThresholdKeepsTheDialogOpenAndTheStoredString) {
    DialogFixture f;
    PropertyValue parameter{std::string("#ENC=T#USR=mine#PORT=22#")};
    const PropertyValue before = parameter;
    std::string refusal;
    bool stayedOpen = false;
    f.ui.WhenShown(WindowId::Settings, [&] {
        f.ui.Type(ControlId::txtPort, GetParam().port);
        f.ui.Type(ControlId::txtCompareValue, GetParam().threshold);
        try {
            BuildParameterString(ReadFormValues(f.ui));
        } catch (const Failure& failure) {
            refusal = failure.Description();
        }
        f.ui.Click(ControlId::btOK);
        stayedOpen = f.ui.IsLoaded(WindowId::Settings);
        // The user closes it after all: nothing is written.
        f.ui.PressCloseBox(WindowId::Settings);
    });
    kx_showGUI(PropertyValue{}, PropertyValue{}, parameter, f.form);

    ASSERT_FALSE(refusal.empty()) << "the writer accepted what it should refuse";
    EXPECT_TRUE(stayedOpen);
    EXPECT_THAT(f.ui.messages, ElementsAre(ShownMessage{refusal, MessageStyle::Stop}));
    EXPECT_EQ(parameter, before);
}

INSTANTIATE_TEST_SUITE_P(SettingsForm, OkRefuses,
                         ::testing::Values(RefusalCase{"abc", "1"}, RefusalCase{"", "1"},
                                           RefusalCase{"22", "lots"}, RefusalCase{"22", "2,5"}));

TEST(SettingsForm, OkAfterARefusalAndACorrectionIsAccepted) {
    DialogFixture f;
    PropertyValue parameter{std::string("#ENC=T#USR=mine#")};
    f.ui.WhenShown(WindowId::Settings, [&] {
        f.ui.Type(ControlId::txtPort, "ssh");
        f.ui.Click(ControlId::btOK);
        f.ui.Type(ControlId::txtPort, "2022");
        f.ui.Click(ControlId::btOK);
    });
    kx_showGUI(PropertyValue{}, PropertyValue{}, parameter, f.form);
    EXPECT_EQ(f.ui.messages.size(), 1u);
    ASSERT_TRUE(std::holds_alternative<std::string>(parameter));
    EXPECT_THAT(std::get<std::string>(parameter), ::testing::HasSubstr("#USR=mine#"));
    EXPECT_THAT(std::get<std::string>(parameter), ::testing::HasSubstr("#PORT=2022#"));
}

TEST(SettingsForm, APasswordThatDoesNotDecodeFailsWithoutShowingTheDialog) {
    DialogFixture f;
    PropertyValue parameter{std::string("#ENC=T#USR=mine#PWD==AAA#")};
    const PropertyValue before = parameter;
    EXPECT_THROW(kx_showGUI(PropertyValue{}, PropertyValue{}, parameter, f.form), Failure);
    EXPECT_EQ(f.ui.ShowCount(WindowId::Settings), 0);
    EXPECT_EQ(parameter, before);
}

TEST(SettingsForm, SetResourceFillsTheMountFieldOfTheFormBeforeItIsShown) {
    DialogFixture f;
    SetResource(f.form, "/var");
    EXPECT_EQ(f.ui.State(ControlId::txtResource).text, "/var");
    PropertyValue parameter;
    std::string shown;
    f.ui.WhenShown(WindowId::Settings, [&] { shown = f.ui.State(ControlId::txtResource).text; });
    kx_showGUI(PropertyValue{}, PropertyValue{}, parameter, f.form);
    EXPECT_EQ(shown, "/var");
    EXPECT_EQ(f.ui.LoadCount(WindowId::Settings), 1);
}

TEST(SettingsForm, EachOpeningAfterOkStartsFromTheDefaultsAgain) {
    DialogFixture f;
    PropertyValue parameter;
    f.ui.WhenShown(WindowId::Settings, [&] {
        f.ui.Type(ControlId::txtResource, "/typed");
        f.ui.Click(ControlId::btOK);
    });
    std::string secondResource = "unset";
    f.ui.WhenShown(WindowId::Settings,
                   [&] { secondResource = f.ui.State(ControlId::txtResource).text; });
    kx_showGUI(PropertyValue{}, PropertyValue{}, parameter, f.form);
    PropertyValue empty;
    kx_showGUI(PropertyValue{}, PropertyValue{}, empty, f.form);
    EXPECT_EQ(f.ui.LoadCount(WindowId::Settings), 2);
    EXPECT_EQ(secondResource, "");
}

TEST(SettingsForm, TheCaptionCarriesTheVersionNumbers) {
    EXPECT_EQ(FormatWindowCaption(1, 0, 72),
              "Tavrix checker: External COM check (version 1.0 build 72)");
}

TEST(DialogLayout, TablesAreConsistentForThePlatformLayer) {
    std::vector<int> ids;
    for (const ControlEntry& entry : ControlTable()) {
        ids.push_back(static_cast<int>(entry.id));
        EXPECT_EQ(&EntryOf(entry.id), &entry);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "duplicate control id";

    // Every data control of the settings form is in the tab order once; no label is.
    std::vector<ControlId> tabbed(SettingsTabOrder().begin(), SettingsTabOrder().end());
    for (const ControlEntry& entry : ControlTable()) {
        const auto count = std::count(tabbed.begin(), tabbed.end(), entry.id);
        const bool focusable =
            entry.window == WindowId::Settings && entry.kind != ControlKind::Label;
        EXPECT_EQ(count, focusable ? 1 : 0) << entry.name;
    }
    // The first control that can take the focus is the protocol.
    auto first = std::find_if(tabbed.begin(), tabbed.end(),
                              [](ControlId id) { return EntryOf(id).enabled; });
    EXPECT_EQ(*first, ControlId::cmbProtocol);

    // Rows run top to bottom within each window.
    int lastRow = 0;
    WindowId lastWindow = WindowId::Settings;
    for (const ControlEntry& entry : ControlTable()) {
        if (entry.window != lastWindow) {
            lastRow = 0;
            lastWindow = entry.window;
        }
        EXPECT_GE(entry.row, lastRow) << entry.name;
        lastRow = entry.row;
    }
}

}  // namespace
}  // namespace tavrix::dialog_test
