#pragma once
// SshKey on libssh: a private key loaded from a file (OpenSSH or PEM format,
// with or without pass phrase), exported as text for SshClient::SetLoginKey.

#include "transport/libssh_headers.h"

#include <memory>
#include <optional>
#include <string>

#include "query/ssh_client.h"

namespace tavrix::libssh {

struct KeyDeleter {
    void operator()(ssh_key key) const { ssh_key_free(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<ssh_key>, KeyDeleter>;
// A loaded private key, shared read-only by the key object and the clients
// it was handed to.
using SharedKey = std::shared_ptr<std::remove_pointer_t<ssh_key>>;

// Imports the text that LibsshKey::ExportKey made. Throws Failure when it is
// not a key.
SharedKey ImportKeyText(const std::string& text);

// "ssh-ed25519", "ssh-rsa", ... of a key.
std::string KeyTypeName(ssh_key key);

// "<key type> SHA256:<base64 without padding>", as OpenSSH shows a key;
// "unknown" when libssh cannot hash it.
std::string FingerprintOf(ssh_key key);
// "TYPE BASE64" of the key's public half, made without a digest (no crypto
// library start); empty when there is none.
std::string PublicKeyText(ssh_key key);

class LibsshKey : public SshKey {
  public:
    LibsshKey();
    ~LibsshKey() override;

    // Failures: "The key file P does not exist", "... is a directory", "... is
    // not a regular file", "... is larger than 1024 KiB", "The key file P cannot be
    // read: <reason>", "P is not a private key file", "P holds a public key,
    // not a private key", "The key file P needs a pass phrase", "Wrong pass
    // phrase for the key file P", "The key file P holds a DSA key, which this
    // build's SSH library cannot use", "The key file P could not be loaded: <libssh>".
    void LoadKeyFile(const std::string& path,
                     const std::optional<std::string>& passphrase) override;
    // The key as text, kept in memory only and never traced: unencrypted
    // PEM (PKCS#8) or OpenSSH text as libssh exports it. libssh 0.10 with
    // OpenSSL 3 cannot export an RSA key that came in OpenSSH format (it
    // lacks the CRT values); then the text is the file's own when it was not
    // encrypted, else the file's text behind a first line that carries the
    // pass phrase ("tavrix-key-passphrase:<hex>"), which SetLoginKey reads.
    std::string ExportKey(int keyTypeIndex) override;

  private:
    void Forget();

    SharedKey key_;
    std::string fileText_;    // the file's text
    std::string passphrase_;  // its pass phrase, when it has one
};

}  // namespace tavrix::libssh
