#include "transport/net_socket.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tavrix::net {

namespace {

#ifdef _WIN32
using RawSocket = SOCKET;
using SockLen = int;
int LastError() {
    return WSAGetLastError();
}
void CloseNative(NativeSocket s) {
    closesocket(static_cast<SOCKET>(s));
}
#else
using RawSocket = int;
using SockLen = socklen_t;
int LastError() {
    return errno;
}
void CloseNative(NativeSocket s) {
    ::close(static_cast<int>(s));
}
#endif

RawSocket Raw(NativeSocket s) {
    return static_cast<RawSocket>(s);
}

std::string AddressText(const sockaddr* sa) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = nullptr;
    if (sa->sa_family == AF_INET) {
        raw = &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr;
    } else if (sa->sa_family == AF_INET6) {
        raw = &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr;
    }
    if (raw == nullptr || inet_ntop(sa->sa_family, raw, text, sizeof text) == nullptr) {
        return "?";
    }
    return text;
}

Resolution Lookup(const std::string& host, std::uint16_t port, bool numericOnly) {
    EnsureSockets();
    Resolution result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    const std::string service = std::to_string(port);
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        if (numericOnly) {
            return result;  // not a numeric address: look the name up
        }
#ifdef _WIN32
        result.unknownHost = rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA || rc == EAI_NONAME;
        result.error = std::system_category().message(rc);
#else
        result.unknownHost = rc == EAI_NONAME
#ifdef EAI_NODATA
                             || rc == EAI_NODATA
#endif
            ;
        result.error = rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc);
#endif
        if (result.error.empty()) {
            result.error = "resolver error " + std::to_string(rc);
        }
        return result;
    }
    for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET && ai->ai_family != AF_INET6) {
            continue;
        }
        Address address;
        address.family = ai->ai_family;
        const auto* begin = reinterpret_cast<const unsigned char*>(ai->ai_addr);
        address.bytes.assign(begin, begin + ai->ai_addrlen);
        address.text = AddressText(ai->ai_addr);
        bool duplicate = false;
        for (const Address& seen : result.addresses) {
            duplicate = duplicate || seen.bytes == address.bytes;
        }
        if (!duplicate) {
            result.addresses.push_back(std::move(address));
        }
    }
    freeaddrinfo(list);
    if (result.addresses.empty() && !numericOnly) {
        result.unknownHost = true;
        result.error = "no address";
    }
    return result;
}

bool SetNonBlocking(NativeSocket s) {
#ifdef _WIN32
    u_long on = 1;
    return ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &on) == 0;
#else
    const int flags = fcntl(static_cast<int>(s), F_GETFL, 0);
    return flags >= 0 && fcntl(static_cast<int>(s), F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

bool WouldBlock(int error) {
#ifdef _WIN32
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
#else
    return error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN;
#endif
}

int SocketError(NativeSocket s) {
    int error = 0;
    SockLen length = sizeof error;
    if (getsockopt(Raw(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
        return LastError();
    }
    return error;
}

}  // namespace

void EnsureSockets() {
#ifdef _WIN32
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
#endif
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.Release();
    }
    return *this;
}

NativeSocket Socket::Release() {
    return std::exchange(handle_, kNoSocket);
}

void Socket::Close() {
    if (handle_ != kNoSocket) {
        CloseNative(std::exchange(handle_, kNoSocket));
    }
}

Resolution ResolveNumeric(const std::string& host, std::uint16_t port) {
    return Lookup(host, port, true);
}

Resolution Resolve(const std::string& host, std::uint16_t port) {
    return Lookup(host, port, false);
}

std::shared_ptr<ResolveJob> ResolveJob::Start(const std::string& host, std::uint16_t port) {
    std::shared_ptr<ResolveJob> job(new ResolveJob());
#ifndef _WIN32
    int fds[2];
    if (pipe(fds) == 0) {
        for (int fd : fds) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
        }
        job->wakeRead_ = fds[0];
        job->wakeWrite_ = fds[1];
    }
#endif
    try {
        std::thread([job, host, port] { job->Finish(Resolve(host, port)); }).detach();
    } catch (const std::system_error&) {
        job->Finish(Resolve(host, port));  // no thread to be had: resolve here
    }
    return job;
}

ResolveJob::~ResolveJob() {
#ifndef _WIN32
    if (wakeRead_ != kNoSocket) {
        ::close(static_cast<int>(wakeRead_));
    }
    if (wakeWrite_ != kNoSocket) {
        ::close(static_cast<int>(wakeWrite_));
    }
#endif
}

void ResolveJob::Finish(Resolution result) {
    {
        std::lock_guard lock(mutex_);
        result_ = std::move(result);
        done_ = true;
    }
#ifndef _WIN32
    if (wakeWrite_ != kNoSocket) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(static_cast<int>(wakeWrite_), &byte, 1);
    }
#endif
}

bool ResolveJob::Done() {
    std::lock_guard lock(mutex_);
    return done_;
}

Resolution ResolveJob::Take() {
    std::lock_guard lock(mutex_);
    return std::move(result_);
}

ConnectState StartConnect(const Address& address, Socket& sock, int& error) {
    EnsureSockets();
    error = 0;
#if defined(SOCK_CLOEXEC)
    const int type = SOCK_STREAM | SOCK_CLOEXEC;
#else
    const int type = SOCK_STREAM;
#endif
    // INVALID_SOCKET (Windows) and -1 (POSIX) both read as kNoSocket.
    Socket created(static_cast<NativeSocket>(socket(address.family, type, IPPROTO_TCP)));
    if (!created.Valid()) {
        created.Release();
        error = LastError();
        return ConnectState::kFailed;
    }
    if (!SetNonBlocking(created.Get())) {
        error = LastError();
        return ConnectState::kFailed;
    }
    // SSH sends many small packets; Nagle's delay only slows the login down.
    int on = 1;
    setsockopt(Raw(created.Get()), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);
    const int rc =
        connect(Raw(created.Get()), reinterpret_cast<const sockaddr*>(address.bytes.data()),
                static_cast<SockLen>(address.bytes.size()));
    if (rc == 0) {
        sock = std::move(created);
        return ConnectState::kConnected;
    }
    error = LastError();
    if (WouldBlock(error)) {
        error = 0;
        sock = std::move(created);
        return ConnectState::kInProgress;
    }
    return ConnectState::kFailed;
}

ConnectState CheckConnect(const Socket& sock, int& error) {
    error = 0;
#ifdef _WIN32
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(static_cast<SOCKET>(sock.Get()), &writable);
    FD_SET(static_cast<SOCKET>(sock.Get()), &failed);
    timeval zero{0, 0};
    const int rc = select(0, nullptr, &writable, &failed, &zero);
    if (rc < 0) {
        error = LastError();
        return ConnectState::kFailed;
    }
    if (rc == 0) {
        return ConnectState::kInProgress;
    }
#else
    pollfd entry{static_cast<int>(sock.Get()), POLLOUT, 0};
    const int rc = poll(&entry, 1, 0);
    if (rc < 0) {
        if (errno == EINTR) {
            return ConnectState::kInProgress;
        }
        error = errno;
        return ConnectState::kFailed;
    }
    if (rc == 0) {
        return ConnectState::kInProgress;
    }
#endif
    error = SocketError(sock.Get());
    return error == 0 ? ConnectState::kConnected : ConnectState::kFailed;
}

bool IsRefused(int error) {
#ifdef _WIN32
    return error == WSAECONNREFUSED;
#else
    return error == ECONNREFUSED;
#endif
}

bool IsReset(int error) {
#ifdef _WIN32
    return error == WSAECONNRESET;
#else
    return error == ECONNRESET;
#endif
}

bool IsTimedOut(int error) {
#ifdef _WIN32
    return error == WSAETIMEDOUT;
#else
    return error == ETIMEDOUT;
#endif
}

std::string ErrorText(int error) {
    std::string text = std::system_category().message(error);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

std::string PeekWaiting(NativeSocket socket, std::size_t atMost) {
    std::string bytes(atMost, '\0');
#ifdef _WIN32
    const int n =
        recv(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(atMost), MSG_PEEK);
#else
    const auto n = recv(static_cast<int>(socket), bytes.data(), atMost, MSG_PEEK | MSG_DONTWAIT);
#endif
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

void WaitForSocket(NativeSocket sock, bool read, bool write, int timeoutMs) {
#ifdef _WIN32
    if (sock == kNoSocket || (!read && !write)) {
        Sleep(timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        return;
    }
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (read) {
        FD_SET(static_cast<SOCKET>(sock), &readable);
    }
    if (write) {
        FD_SET(static_cast<SOCKET>(sock), &writable);
    }
    FD_SET(static_cast<SOCKET>(sock), &failed);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    select(0, &readable, &writable, &failed, timeoutMs < 0 ? nullptr : &limit);
#else
    pollfd entry{static_cast<int>(sock), 0, 0};
    if (read) {
        entry.events |= POLLIN;
    }
    if (write) {
        entry.events |= POLLOUT;
    }
    if (sock == kNoSocket || entry.events == 0) {
        poll(nullptr, 0, timeoutMs);
        return;
    }
    poll(&entry, 1, timeoutMs);
#endif
}

}  // namespace tavrix::net
