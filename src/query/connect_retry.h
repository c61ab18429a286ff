#pragma once
// Which failed connections are worth another attempt. A server that sheds
// connections under load (OpenSSH's MaxStartups) closes or resets them before
// the login has begun; trying again later usually gets in. Anything the
// server or the network said about this check itself would only say it again,
// and nothing is repeated once a credential may have reached the server.

namespace tavrix {

// How far an attempt got when it failed.
enum class ConnectStage {
    kResolving,
    kConnecting,       // TCP
    kVersionExchange,  // connected, the server's banner not yet complete
    kKeyExchange,      // banner received, keys not yet agreed
    kHostKeyCheck,
    kLogin,  // from the first login request on
    kCommand,
};

enum class ConnectFailure {
    kClosedByServer,  // end of stream or reset
    kRefused,
    kUnresolved,
    kTimedOut,
    kAlgorithmMismatch,
    kHostKeyRejected,
    kLoginRefused,
    kOther,
};

bool WorthRetrying(ConnectStage stage, ConnectFailure failure);

}  // namespace tavrix
