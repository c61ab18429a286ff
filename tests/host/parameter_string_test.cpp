#include "host/parameter_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/base64.h"
#include "support/failure.h"

namespace tavrix {
namespace {

struct LookupCase {
    std::string parameters;
    std::string key;
    std::string expected;
};

class GetKeyValueTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(GetKeyValueTest, ReadsTheFirstEntryOfTheKey) {
    const auto& c = GetParam();
    EXPECT_EQ(GetKeyValue(c.parameters, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, GetKeyValueTest,
    ::testing::Values(
        // Keys in any case, values keep theirs; an empty value is not a missing one.
        LookupCase{"#ENC=T#USR=monitor#PWD=#", "usr", "monitor"},
        LookupCase{"#ENC=T#USR=monitor#PWD=#", "PWD", ""},
        LookupCase{"#ENC=T#USR=monitor#PWD=#", "RES", ""}, LookupCase{"#os=linux#", "OS", "linux"},
        LookupCase{"#Unit=Gb#", " unit ", "Gb"},
        // No closing "#": the value runs to the end.
        LookupCase{"#RES=/data", "RES", "/data"},
        // The string's very start and end.
        LookupCase{"USR=x#PWD=y#", "USR", ""}, LookupCase{"#USR=", "USR", ""},
        LookupCase{"#USR", "USR", ""}, LookupCase{"", "USR", ""},
        LookupCase{"no hash at all", "USR", ""},
        // The first entry wins; a key must stand right after "#".
        LookupCase{"#RES=/a#RES=/b#", "RES", "/a"}, LookupCase{"#XRES=/a#RES=/b#", "RES", "/b"},
        LookupCase{"#USR=a#PWD=x#PWD=real#", "PWD", "x"},
        // "=" inside a value belongs to it.
        LookupCase{"#RES=a=b#", "RES", "a=b"},
        // Keys that themselves hold "#" or are empty never reach past their own entry.
        LookupCase{"#A#B=c#", "A#B", ""}, LookupCase{"#=empty#", "", "empty"},
        // Accented Windows-1252 letters: positions stay, values keep their case.
        LookupCase{"#R\xE9S=\xE9t\xE9#", "r\xC9s", "\xE9t\xE9"},
        LookupCase{"#\xE9=1#USR=\xFF\xE9#", "USR", "\xFF\xE9"}));

TEST(GetKeyValueTest, FindsAKeyAtTheEndOfAMegabyteString) {
    std::string parameters;
    while (parameters.size() < 1024 * 1024) {
        parameters += "#FILLER=abcdefghijklmnopqrstuvwxyz";
    }
    parameters += "#RES=/last#";
    EXPECT_EQ(GetKeyValue(parameters, "RES"), "/last");
    EXPECT_EQ(GetKeyValue(parameters, "FILLER"), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(GetKeyValue(parameters, "NONE"), "");
}

FormValues KeyFileLogin() {
    FormValues values;
    values.username = "monitor";
    values.keyfile = "C:\\keys\\id_rsa";
    values.protocolIndex = 2;
    values.resource = "/var";
    values.unitIndex = 3;
    values.compareValue = "2.50";
    return values;
}

TEST(BuildParameterStringTest, WritesTheFourteenEntriesInTemplateOrder) {
    FormValues values = KeyFileLogin();
    EXPECT_EQ(BuildParameterString(values),
              "#ENC=T#USR=monitor#PWD=#PROTO=A#PORT=22#KEYF=C:\\keys\\id_rsa#KEYT=RSA#OS=LINUX"
              "#BLK=1024#RES=/var#UNIT=GB#COM=2.5#EOL=LF#RAN=0#");
}

TEST(BuildParameterStringTest, WritesAPinnedHostKeyAfterRan) {
    FormValues values = KeyFileLogin();
    values.hostKey = " ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE ";
    const std::string text = BuildParameterString(values);
    EXPECT_TRUE(
        text.ends_with("#RAN=0#HKEY=ssh-ed25519 "
                       "SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE#"))
        << text;
    EXPECT_EQ(GetKeyValue(text, "HKEY"),
              "ssh-ed25519 SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE");
}

TEST(BuildParameterStringTest, TrimsBlanksOfKeyFileMountAndPortButNotUserOrPassword) {
    FormValues values = KeyFileLogin();
    values.username = " monitor ";
    values.password = " secret ";
    values.keyfile = "  /k/id  ";
    values.resource = " /my data ";
    values.port = " 22 ";
    const std::string text = BuildParameterString(values);
    EXPECT_EQ(GetKeyValue(text, "USR"), " monitor ");
    EXPECT_EQ(Base64Decode(GetKeyValue(text, "PWD")), " secret ");
    EXPECT_EQ(GetKeyValue(text, "KEYF"), "/k/id");
    EXPECT_EQ(GetKeyValue(text, "RES"), "/my data");
    EXPECT_EQ(GetKeyValue(text, "PORT"), "22");
}

TEST(BuildParameterStringTest, AnEmptyThresholdIsWrittenAsZero) {
    FormValues values = KeyFileLogin();
    values.compareValue = "";
    EXPECT_EQ(GetKeyValue(BuildParameterString(values), "COM"), "0");
}

struct NumberCase {
    std::string port;
    std::string threshold;
    std::string portWritten;
    std::string thresholdWritten;
};

class WrittenNumbersTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(WrittenNumbersTest, AreWrittenAsTheCheckRunReadsThem) {
    FormValues values = KeyFileLogin();
    values.port = GetParam().port;
    values.compareValue = GetParam().threshold;
    const std::string text = BuildParameterString(values);
    EXPECT_EQ(GetKeyValue(text, "PORT"), GetParam().portWritten);
    EXPECT_EQ(GetKeyValue(text, "COM"), GetParam().thresholdWritten);
}

INSTANTIATE_TEST_SUITE_P(Numbers, WrittenNumbersTest,
                         ::testing::Values(NumberCase{"22", "10", "22", "10"},
                                           NumberCase{"22.6", "2.50", "23", "2.5"},
                                           NumberCase{"22.5", "0.5", "22", "0.5"},
                                           NumberCase{"2 2", ".25", "22", "0.25"},
                                           NumberCase{"0", "-1", "0", "-1"},
                                           NumberCase{"32767", "1e3", "32767", "1000"},
                                           NumberCase{" 2222\t", "3 \n", "2222", "3"}));

struct RefusalCase {
    std::string field;  // which FormValues text to spoil
    std::string value;
    std::string message;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheField) {
    FormValues values = KeyFileLogin();
    const auto& c = GetParam();
    if (c.field == "user")
        values.username = c.value;
    if (c.field == "keyfile")
        values.keyfile = c.value;
    if (c.field == "mount")
        values.resource = c.value;
    if (c.field == "port")
        values.port = c.value;
    if (c.field == "threshold")
        values.compareValue = c.value;
    if (c.field == "hostkey")
        values.hostKey = c.value;
    try {
        BuildParameterString(values);
        FAIL() << "accepted " << c.field << " " << c.value;
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Description(), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalTest,
    ::testing::Values(
        RefusalCase{"user", "a#PWD=x", "The user name must not contain \"#\""},
        RefusalCase{"keyfile", "/k#1", "The key file must not contain \"#\""},
        RefusalCase{"mount", "#", "The mount must not contain \"#\""},
        RefusalCase{"port", "", "The port must be a number"},
        RefusalCase{"port", "abc", "The port must be a number"},
        RefusalCase{"port", "-", "The port must be a number"},
        RefusalCase{"port", "32768", "The port must be a number from 1 to 32767 (0 stands for 22)"},
        RefusalCase{"port", "65535", "The port must be a number from 1 to 32767 (0 stands for 22)"},
        RefusalCase{"port", "-1", "The port must be a number from 1 to 32767 (0 stands for 22)"},
        RefusalCase{"threshold", "abc", "The threshold must be a number"},
        RefusalCase{"threshold", ".", "The threshold must be a number"},
        RefusalCase{"threshold", "1e999", "The threshold must be a number"},
        RefusalCase{"hostkey", "SHA256:YCXUg3Zf2dpy0bBv3bQJdlUzPZOFgNkqJFXgNe/1ZpE",
                    "The host key must read \"<key type> SHA256:<hash>\""},
        RefusalCase{"hostkey", "ssh-ed25519 SHA256:x#PWD=y",
                    "The host key must read \"<key type> SHA256:<hash>\""},
        // Reading would stop at the first stray character and store what came before.
        RefusalCase{"port", "2222x", "The port must be a number with nothing after it"},
        RefusalCase{"threshold", "2,5",
                    "The threshold must be a number with nothing after it (write 2.5, not 2,5)"},
        RefusalCase{"threshold", "3GB",
                    "The threshold must be a number with nothing after it (write 2.5, not 2,5)"}));

TEST(BuildParameterStringTest, MapsEveryListPositionToItsCode) {
    struct Case {
        int FormValues::*index;
        int position;
        const char* key;
        const char* code;
    };
    const std::vector<Case> cases = {
        {&FormValues::protocolIndex, 0, "PROTO", "1"},
        {&FormValues::protocolIndex, 1, "PROTO", "2"},
        {&FormValues::protocolIndex, 2, "PROTO", "A"},
        {&FormValues::protocolIndex, -1, "PROTO", ""},
        {&FormValues::keyTypeIndex, 0, "KEYT", "RSA"},
        {&FormValues::keyTypeIndex, 1, "KEYT", "DSA"},
        {&FormValues::keyTypeIndex, -1, "KEYT", ""},
        {&FormValues::osIndex, 0, "OS", "LINUX"},
        {&FormValues::osIndex, 1, "OS", "BSD"},
        {&FormValues::osIndex, 2, "OS", "SOLARIS"},
        {&FormValues::osIndex, 3, "OS", "HPUX"},
        {&FormValues::osIndex, 4, "OS", "TRUE64"},
        {&FormValues::osIndex, 5, "OS", "SUNOS"},
        {&FormValues::osIndex, 6, "OS", "AIX"},
        {&FormValues::osIndex, 7, "OS", "HPUX11"},
        {&FormValues::osIndex, 8, "OS", "SCO5"},
        {&FormValues::osIndex, 9, "OS", "BRWDF"},
        {&FormValues::osIndex, 10, "OS", "VMESX"},
        {&FormValues::osIndex, 11, "OS", "VMESX4"},
        {&FormValues::osIndex, 12, "OS", ""},
        {&FormValues::osIndex, -1, "OS", ""},
        {&FormValues::blockSizeIndex, 0, "BLK", "256"},
        {&FormValues::blockSizeIndex, 1, "BLK", "512"},
        {&FormValues::blockSizeIndex, 2, "BLK", "1024"},
        {&FormValues::blockSizeIndex, 3, "BLK", "2048"},
        {&FormValues::blockSizeIndex, 4, "BLK", "4096"},
        {&FormValues::blockSizeIndex, 5, "BLK", "8192"},
        {&FormValues::blockSizeIndex, -1, "BLK", "0"},
        {&FormValues::unitIndex, 0, "UNIT", "B"},
        {&FormValues::unitIndex, 1, "UNIT", "KB"},
        {&FormValues::unitIndex, 2, "UNIT", "MB"},
        {&FormValues::unitIndex, 3, "UNIT", "GB"},
        {&FormValues::unitIndex, 4, "UNIT", "TB"},
        {&FormValues::unitIndex, 5, "UNIT", "%"},
        {&FormValues::unitIndex, -1, "UNIT", ""},
        {&FormValues::eolIndex, 0, "EOL", "CR"},
        {&FormValues::eolIndex, 1, "EOL", "LF"},
        {&FormValues::eolIndex, 2, "EOL", "CRLF"},
        {&FormValues::eolIndex, -1, "EOL", "LF"},
        {&FormValues::eolIndex, 7, "EOL", "LF"},
    };
    for (const auto& c : cases) {
        FormValues values = KeyFileLogin();
        values.*c.index = c.position;
        EXPECT_EQ(GetKeyValue(BuildParameterString(values), c.key), c.code)
            << c.key << " at position " << c.position;
    }
}

TEST(BuildParameterStringTest, ReadsBackEverySettingWithAPassword) {
    FormValues values = KeyFileLogin();
    values.password = "p@ss w=rd#1\xE9";
    values.returnAsNumber = true;
    const std::string text = BuildParameterString(values);
    EXPECT_EQ(text.rfind("#ENC=T#USR=", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 7), "#RAN=1#");
    EXPECT_EQ(Base64Decode(GetKeyValue(text, "PWD")), values.password);
    EXPECT_EQ(GetKeyValue(text, "USR"), "monitor");
    EXPECT_EQ(GetKeyValue(text, "RES"), "/var");
}

}  // namespace
}  // namespace tavrix
