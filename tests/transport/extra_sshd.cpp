#include "extra_sshd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "test_server.h"

namespace tavrix::test {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool Answers(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

// Below 32768: the parameter string's PORT is a 16-bit signed number.
int FreeLoopbackPort() {
    std::random_device random;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int port = 21000 + static_cast<int>(random() % 11000);
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = Loopback(port);
        const bool free =
            bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (free) {
            return port;
        }
    }
    return 0;
}

ExtraSshd::ExtraSshd(const std::vector<std::string>& keyTypes, int port,
                     const std::vector<std::string>& settings) {
    if (geteuid() != 0) {
        whyNot_ = "a second sshd needs root";
        return;
    }
    char pattern[] = "/tmp/tavrix-extra-sshd-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        whyNot_ = "no temporary directory";
        return;
    }
    dir_ = pattern;
    port_ = port != 0 ? port : FreeLoopbackPort();

    // Its own port, keys, PID file, a log that shows every authentication
    // request and the test's own settings first (the shared settings end in a
    // Match block), then the shared server's other settings and users. Some
    // keywords take their last value: the shared lines they replace are left out.
    std::ofstream config(dir_ + "/sshd_config");
    config << "Port " << port_ << "\nPidFile " << dir_ << "/sshd.pid\nLogLevel DEBUG1\n";
    std::vector<std::string> replaced = {"Port ", "HostKey ", "PidFile ", "LogLevel "};
    for (const std::string& setting : settings) {
        config << setting << "\n";
        replaced.push_back(setting.substr(0, setting.find(' ') + 1));
    }
    for (const std::string& type : keyTypes) {
        RunHere("ssh-keygen -q -t " + type + " -N '' -f " + dir_ + "/host_" + type + " </dev/null");
        config << "HostKey " << dir_ << "/host_" << type << "\n";
    }
    std::istringstream shared(ReadFile(Server().stateDir + "/sshd_config"));
    std::string line;
    while (std::getline(shared, line)) {
        if (std::ranges::none_of(replaced,
                                 [&](const std::string& key) { return line.starts_with(key); })) {
            config << line << "\n";
        }
    }
    config.close();
    RunHere("mkdir -p /run/sshd && /usr/sbin/sshd -f " + dir_ + "/sshd_config -E " + dir_ +
            "/sshd.log");
    for (int i = 0; i < 100 && !Answers(port_); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    running_ = Answers(port_);
    if (!running_) {
        whyNot_ = "the second sshd did not start: " + ReadFile(dir_ + "/sshd.log");
    }
}

ExtraSshd::~ExtraSshd() {
    if (dir_.empty()) {
        return;
    }
    const int pid = std::atoi(ReadFile(dir_ + "/sshd.pid").c_str());
    if (pid > 0) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    RunHere("rm -rf " + dir_);
}

std::string ExtraSshd::PublicKeyFile(const std::string& keyType) const {
    return dir_ + "/host_" + keyType + ".pub";
}

std::string ExtraSshd::Fingerprint(const std::string& keyType) const {
    return PinOf(PublicKeyFile(keyType));
}

std::string PinOf(const std::string& publicKeyFile) {
    std::istringstream pub(ReadFile(publicKeyFile));
    std::istringstream listed(RunHere("ssh-keygen -l -E sha256 -f " + publicKeyFile));
    std::string type, bits, hash;
    pub >> type;
    listed >> bits >> hash;
    return type + " " + hash;
}

std::string ExtraSshd::Log() const {
    return ReadFile(dir_ + "/sshd.log");
}

std::string ExtraSshd::LogAfter(int connections) const {
    std::string log;
    for (int i = 0; i < 100; ++i) {
        log = ReadFile(dir_ + "/sshd.log");
        if (CountOf(log, "[preauth]") > 0 && CountOf(log, "Connection from ") >= connections &&
            (CountOf(log, "Connection closed by") + CountOf(log, "Disconnected from") +
             CountOf(log, "Received disconnect from")) >= connections) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return log;
}

}  // namespace tavrix::test
