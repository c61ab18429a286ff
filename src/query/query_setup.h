#pragma once
// The one place that starts a query on this thread: the inputs of a check or
// a listing go into the query state, and what the previous query left behind
// (header, records, outcome) is cleared.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "query/df_command.h"
#include "support/secret.h"

namespace tavrix {

struct QueryInputs {
    std::string hostname;
    std::int16_t timeout = 0;  // seconds; 0 or less: the client's default
    std::int16_t port = 0;     // 0 stands for 22
    std::string username;
    SecretString password;  // also the key file's pass phrase
    std::string keyfile;
    std::string keyType;
    // nullopt keeps what the previous query on this thread used: the settings
    // form's listing chooses nothing when the user typed into the combo box.
    std::optional<std::string> protocol;
    std::optional<std::string> os;
    std::string eol;
    std::string resource;  // the wanted mount; empty keeps every line
    // One listing of every mount: no mount is sent and the resource is not
    // looked for (the command line's --all and several --mount).
    bool allMounts = false;
    std::string hostKey;  // the pinned host key; empty: any key is accepted
    DfRequest dfRequest;  // the command line's extras; the COM path asks none
};

enum class MissingLogin { None, Username, Password };

// What a listing without login data says (the mount picker, `mounts`).
inline constexpr std::string_view kNoUsernameMessage =
    "Can't connect to an SSH server without a username";
inline constexpr std::string_view kNoPasswordMessage =
    "Can't connect to an SSH server without a password";

// A query needs a user name and a password or a key file (or both).
MissingLogin FindMissingLogin(std::string_view username, std::string_view password,
                              std::string_view keyfile);
inline MissingLogin FindMissingLogin(const QueryInputs& inputs) {
    return FindMissingLogin(inputs.username, inputs.password, inputs.keyfile);
}

// A check of one mount, or of every mount with allMounts (also the parse
// command's offline one).
void SetUpCheckQuery(const QueryInputs& inputs);

// A listing of every mount: the resource is ignored.
void SetUpListingQuery(const QueryInputs& inputs);

}  // namespace tavrix
