#pragma once
// What the transport tests know about the throwaway SSH server that
// scripts/test-sshd runs: read from <state>/env (state: $TAVRIX_SSHD_DIR or
// /tmp/tavrix-sshd). Without a running server the tests skip, or fail when
// TAVRIX_REQUIRE_SSH=1.

#include <map>
#include <string>

namespace tavrix::test {

struct TestServer {
    bool running = false;
    std::string whyNot;  // when not running
    std::string stateDir;
    std::string host;
    int port = 0;
    std::string user;
    std::string fakeUser;
    std::string password;
    std::string passphrase;
    std::map<std::string, std::string> values;  // every assignment of the env file

    // The path of a client key: "ed25519", "rsa_pass", "unauthorized", ...
    std::string Key(const std::string& name) const;
    // The port of a profile server ("dropbear", "kex_group1_sha1", ...); 0
    // when it does not run.
    int ProfilePort(const std::string& profile) const;
};

const TestServer& Server();
bool SshRequired();

// Reads a whole file; empty when it cannot.
std::string ReadFile(const std::string& path);
// Runs a shell command here and returns its standard output.
std::string RunHere(const std::string& command);

}  // namespace tavrix::test

// At the top of each test that needs the server.
#define TAVRIX_NEED_SERVER()                                                             \
    do {                                                                                 \
        if (!::tavrix::test::Server().running) {                                         \
            if (::tavrix::test::SshRequired()) {                                         \
                FAIL() << "TAVRIX_REQUIRE_SSH=1 but the test SSH server is not usable: " \
                       << ::tavrix::test::Server().whyNot;                               \
            }                                                                            \
            GTEST_SKIP() << "no test SSH server (scripts/test-sshd start): "             \
                         << ::tavrix::test::Server().whyNot;                             \
        }                                                                                \
    } while (false)
