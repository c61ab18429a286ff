#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tavrix::test {

namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// The env file holds NAME=value lines; values may be quoted by printf %q.
std::string Unquote(std::string value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        return value.substr(1, value.size() - 2);
    }
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        out.push_back(value[i]);
    }
    return out;
}

bool PortAnswers(const std::string& host, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1 &&
                    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

TestServer Load() {
    TestServer server;
    const char* dir = std::getenv("TAVRIX_SSHD_DIR");
    server.stateDir = dir != nullptr && *dir != '\0' ? dir : "/tmp/tavrix-sshd";
    if (!std::ifstream(server.stateDir + "/env")) {
        server.whyNot = "no " + server.stateDir + "/env";
        return server;
    }
    // The main server's, then the profile servers' (when they run).
    for (const char* name : {"/env", "/profiles.env"}) {
        std::ifstream env(server.stateDir + name);
        std::string line;
        while (std::getline(env, line)) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos || line.starts_with("#")) {
                continue;
            }
            server.values[line.substr(0, equals)] = Unquote(Trimmed(line.substr(equals + 1)));
        }
    }
    server.host = server.values["TAVRIX_SSH_HOST"];
    server.port = std::atoi(server.values["TAVRIX_SSH_PORT"].c_str());
    server.user = server.values["TAVRIX_SSH_USER"];
    server.fakeUser = server.values["TAVRIX_SSH_FAKE_USER"];
    server.password = Trimmed(ReadFile(server.values["TAVRIX_SSH_PASSWORD_FILE"]));
    server.passphrase = Trimmed(ReadFile(server.values["TAVRIX_SSH_PASSPHRASE_FILE"]));
    if (server.host.empty() || server.port <= 0 || server.user.empty() || server.password.empty()) {
        server.whyNot = server.stateDir + "/env is incomplete or its secrets are unreadable";
        return server;
    }
    if (!PortAnswers(server.host, server.port)) {
        server.whyNot =
            "nothing answers on " + server.host + " port " + std::to_string(server.port);
        return server;
    }
    server.running = true;
    return server;
}

std::string Upper(const std::string& name) {
    std::string upper;
    for (char c : name) {
        upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    }
    return upper;
}

}  // namespace

std::string TestServer::Key(const std::string& name) const {
    const auto found = values.find("TAVRIX_SSH_KEY_" + Upper(name));
    return found != values.end() ? found->second : stateDir + "/keys/" + name;
}

int TestServer::ProfilePort(const std::string& profile) const {
    const auto found = values.find("TAVRIX_SSH_PROFILE_" + Upper(profile) + "_PORT");
    return found != values.end() ? std::atoi(found->second.c_str()) : 0;
}

const TestServer& Server() {
    static const TestServer server = Load();
    return server;
}

bool SshRequired() {
    const char* value = std::getenv("TAVRIX_REQUIRE_SSH");
    return value != nullptr && std::string(value) == "1";
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string RunHere(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, count);
        }
        pclose(pipe);
    }
    return output;
}

}  // namespace tavrix::test
