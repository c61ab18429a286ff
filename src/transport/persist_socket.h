#pragma once
// The Unix-socket calls of a check and its session holder (Linux).

#include <string>
#include <string_view>

#include "transport/net_socket.h"

namespace tavrix::persist {

// A non-blocking connection to the holder's socket; not Valid() when no
// holder listens there.
net::Socket ConnectToHolder(const std::string& path);

// Takes the lock file's exclusive lock without waiting; not Valid() while
// another process holds it.
net::Socket LockHolder(const std::string& lockPath);

// Binds a non-blocking listening socket at `path` (a stale one is removed:
// the caller holds the lock) with mode 0600.
net::Socket ListenAt(const std::string& path);

// The next connection, non-blocking; not Valid() when none waits.
net::Socket AcceptPeer(const net::Socket& listener);

// The peer runs as this user (SO_PEERCRED).
bool PeerIsThisUser(const net::Socket& peer);

// Sends what the socket takes now; -1 when the peer is gone.
long SendSome(const net::Socket& socket, std::string_view bytes);
// Appends what has come: the count, 0 at the peer's end, -1 when the
// connection failed, kNothingYet when nothing waits.
long ReceiveSome(const net::Socket& socket, std::string& into);
inline constexpr long kNothingYet = -2;

// The inode of a path, 0 when it is not there.
unsigned long InodeOf(const std::string& path);

}  // namespace tavrix::persist
