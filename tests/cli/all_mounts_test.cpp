// --all as a monitoring engine runs it, on the recorded df outputs of every OS
// code: the pseudo and zero-size file systems never decide the state and no
// real file system is lost.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../query/fake_ssh.h"
#include "cli/commands.h"

namespace tavrix::cli {
namespace {

using namespace tavrix::testing;

std::string Recorded(const std::string& file) {
    std::ifstream in(std::string(TAVRIX_RECORDED_OUTPUTS) + "/" + file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The mounts of the plugin line's perfdata, in order.
std::vector<std::string> PerfLabels(const std::string& line) {
    std::vector<std::string> labels;
    const std::regex label("'((?:[^']|'')*)'=");
    const std::size_t data = line.find(" | ");
    if (data == std::string::npos) {
        return labels;
    }
    const std::string perf = line.substr(data);
    for (auto it = std::sregex_iterator(perf.begin(), perf.end(), label);
         it != std::sregex_iterator(); ++it) {
        labels.push_back(std::regex_replace((*it)[1].str(), std::regex("''"), "'"));
    }
    return labels;
}

struct AllCase {
    const char* file;
    const char* os;
    const char* eol;
    std::vector<std::string> realMounts;  // every real file system, in df order
};

void PrintTo(const AllCase& c, std::ostream* os) {
    *os << c.file;
}

class AllMountsTest : public ::testing::TestWithParam<AllCase> {};

// The pseudo ones are full or of size 0: with them -c 1% would be CRITICAL.
TEST_P(AllMountsTest, OnlyRealFileSystemsDecide) {
    const AllCase& c = GetParam();
    FakePlatform platform;
    const ScopedSshPlatform scope(platform);
    platform.sessions = {Session({Recorded(c.file)})};
    setenv("TAVRIX_ALL_MOUNTS_TEST_PASSWORD", "secret", 1);
    ::testing::internal::CaptureStdout();
    const int exitCode = RunCheck({"-H", "db1", "-l", "monitor", "--password-env",
                                   "TAVRIX_ALL_MOUNTS_TEST_PASSWORD", "--host-key-policy", "off",
                                   "--os", c.os, "--eol", c.eol, "-A", "-w", "10%", "-c", "1%"});
    const std::string line = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(exitCode, 0) << line;
    EXPECT_EQ(PerfLabels(line), c.realMounts) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Recorded, AllMountsTest,
    ::testing::Values(
        AllCase{"linux-df-k.txt", "LINUX", "LF", {"/", "/boot/efi", "/media/backup disk"}},
        AllCase{"linux-df-kT.txt", "LINUX", "LF", {"/", "/boot", "/home", "/data"}},
        AllCase{"aix-df-P.txt",
                "AIX",
                "LF",
                {"/", "/usr", "/var", "/tmp", "/home", "/admin", "/opt", "/var/adm/ras/livedump",
                 "/u01"}},
        AllCase{"hpux-bdf.txt",
                "HPUX11",
                "LF",
                {"/", "/stand", "/var", "/usr", "/tmp", "/opt", "/home", "/oradata", "/opt/oracle",
                 "/archive"}},
        AllCase{"esx-vdf.txt",
                "VMESX",
                "LF",
                {"/", "/boot", "/var/log", "/vmfs/volumes/datastore1", "/vmfs/volumes/san-lun01"}},
        AllCase{"windows-df-r.txt", "BRWDF", "CRLF", {"C:", "D:", "E:", "Z:"}}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

}  // namespace
}  // namespace tavrix::cli
