#pragma once
// A second OpenSSH server of a test's own, beside the shared one: its own host
// keys and a verbose log, the shared server's users and settings otherwise.
// Started on a given port (0: a free one) and stopped by its PID file when
// the object goes.

#include <string>
#include <vector>

namespace tavrix::test {

class ExtraSshd {
  public:
    // keyTypes: "ed25519", "ecdsa", "rsa". settings: sshd_config lines that
    // replace the shared ones of the same keyword ("MaxStartups 10:30:100").
    // Check Running() afterwards.
    ExtraSshd(const std::vector<std::string>& keyTypes, int port = 0,
              const std::vector<std::string>& settings = {});
    ~ExtraSshd();
    ExtraSshd(const ExtraSshd&) = delete;
    ExtraSshd& operator=(const ExtraSshd&) = delete;

    bool Running() const { return running_; }
    const std::string& WhyNot() const { return whyNot_; }
    int Port() const { return port_; }
    // "<key type> SHA256:<hash>" of its host key of this type, by ssh-keygen.
    std::string Fingerprint(const std::string& keyType) const;
    // The path of its public host key of this type.
    std::string PublicKeyFile(const std::string& keyType) const;
    // The log, once the server has noted the end of `connections` connections.
    std::string LogAfter(int connections) const;
    // The log as it is now.
    std::string Log() const;

  private:
    std::string dir_;
    int port_ = 0;
    bool running_ = false;
    std::string whyNot_;
};

// "<key type> SHA256:<hash>" of a public key file, as ssh-keygen shows it.
std::string PinOf(const std::string& publicKeyFile);

// A port below 32768 on 127.0.0.1 that nothing listens on just now.
int FreeLoopbackPort();

}  // namespace tavrix::test
