#include "transport/persist_socket.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/failure.h"

namespace tavrix::persist {

namespace {

bool AddressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

net::Socket UnixSocket() {
    return net::Socket(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

}  // namespace

net::Socket ConnectToHolder(const std::string& path) {
    sockaddr_un address{};
    if (!AddressOf(path, address)) {
        return {};
    }
    net::Socket socket = UnixSocket();
    if (!socket.Valid()) {
        return {};
    }
    // A Unix socket connects at once or not at all (EAGAIN: its queue is full).
    if (connect(static_cast<int>(socket.Get()), reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) != 0) {
        return {};
    }
    return socket;
}

net::Socket LockHolder(const std::string& lockPath) {
    net::Socket file(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.Valid() || flock(static_cast<int>(file.Get()), LOCK_EX | LOCK_NB) != 0) {
        return {};
    }
    return file;
}

net::Socket ListenAt(const std::string& path) {
    sockaddr_un address{};
    if (!AddressOf(path, address)) {
        throw Failure("The holder's socket path is too long: " + path);
    }
    net::Socket socket = UnixSocket();
    if (!socket.Valid()) {
        throw Failure(std::string("Cannot create a Unix socket: ") + std::strerror(errno));
    }
    unlink(path.c_str());
    const mode_t previous = umask(0177);
    const int rc = bind(static_cast<int>(socket.Get()), reinterpret_cast<const sockaddr*>(&address),
                        sizeof(address));
    umask(previous);
    if (rc != 0 || listen(static_cast<int>(socket.Get()), 64) != 0) {
        throw Failure("Cannot listen at " + path + ": " + std::strerror(errno));
    }
    return socket;
}

net::Socket AcceptPeer(const net::Socket& listener) {
    return net::Socket(
        accept4(static_cast<int>(listener.Get()), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
}

bool PeerIsThisUser(const net::Socket& peer) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    return getsockopt(static_cast<int>(peer.Get()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) ==
               0 &&
           size == sizeof(credentials) && credentials.uid == getuid();
}

long SendSome(const net::Socket& socket, std::string_view bytes) {
    const ssize_t n = send(static_cast<int>(socket.Get()), bytes.data(), bytes.size(),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
        return static_cast<long>(n);
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

long ReceiveSome(const net::Socket& socket, std::string& into) {
    char buffer[65536];
    const ssize_t n = recv(static_cast<int>(socket.Get()), buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
        return static_cast<long>(n);
    }
    if (n == 0) {
        return 0;
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kNothingYet : -1;
}

unsigned long InodeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? static_cast<unsigned long>(info.st_ino) : 0;
}

}  // namespace tavrix::persist
