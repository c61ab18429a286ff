#pragma once
// A thin, portable layer over the few socket calls the transport needs:
// resolving a host name, a non-blocking TCP connect whose outcome is checked
// without waiting, and an owning socket handle. POSIX and Winsock differ only
// inside net_socket.cpp.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavrix::net {

// A native socket as an integer: an int on POSIX, a SOCKET on Windows.
using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

// Winsock needs WSAStartup once per process; a no-op elsewhere.
void EnsureSockets();

// Owns one socket and closes it when it goes.
class Socket {
  public:
    Socket() = default;
    explicit Socket(NativeSocket handle) : handle_(handle) {}
    ~Socket() { Close(); }
    Socket(Socket&& other) noexcept : handle_(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    NativeSocket Get() const { return handle_; }
    bool Valid() const { return handle_ != kNoSocket; }
    // Gives the socket up without closing it.
    NativeSocket Release();
    void Close();

  private:
    NativeSocket handle_ = kNoSocket;
};

// One address a host name resolved to (a sockaddr, kept as bytes).
struct Address {
    int family = 0;
    std::vector<unsigned char> bytes;
    std::string text;  // "127.0.0.1", "::1"
};

struct Resolution {
    std::vector<Address> addresses;
    bool unknownHost = false;  // the name does not exist
    std::string error;         // empty when addresses were found
};

// Resolves without looking anything up when the host is a numeric address;
// nullopt-like (empty addresses and empty error) when it is a name.
Resolution ResolveNumeric(const std::string& host, std::uint16_t port);
// May block for as long as the system's resolver takes.
Resolution Resolve(const std::string& host, std::uint16_t port);

// Resolves a host name on a worker thread. The job outlives the client that
// started it when needed (the thread holds its own reference). Done() is
// checked without blocking; WakeHandle() becomes readable when it is done
// (POSIX; kNoSocket on Windows, where the caller polls by time).
class ResolveJob {
  public:
    static std::shared_ptr<ResolveJob> Start(const std::string& host, std::uint16_t port);
    ~ResolveJob();
    bool Done();
    Resolution Take();
    NativeSocket WakeHandle() const { return wakeRead_; }

  private:
    ResolveJob() = default;
    void Finish(Resolution result);

    std::mutex mutex_;
    bool done_ = false;
    Resolution result_;
    NativeSocket wakeRead_ = kNoSocket;
    NativeSocket wakeWrite_ = kNoSocket;
};

enum class ConnectState { kConnected, kInProgress, kFailed };

// Creates a non-blocking TCP socket for the address and starts connecting.
// On kFailed, `error` holds the system's error code and the socket is closed.
ConnectState StartConnect(const Address& address, Socket& socket, int& error);

// Checks, without waiting, how a started connect stands. kFailed sets `error`
// (SO_ERROR). On Windows a refused connect shows in select's except set, which
// poll-based waits miss; this check looks at both.
ConnectState CheckConnect(const Socket& socket, int& error);

// The first bytes waiting on a non-blocking socket, left there for whoever
// reads next; empty when none have come (or the peer closed).
std::string PeekWaiting(NativeSocket socket, std::size_t atMost);

bool IsRefused(int error);
// The server took the connection and reset it at once, as one that sheds
// load may do before the TCP handshake is seen as done here.
bool IsReset(int error);
bool IsTimedOut(int error);
std::string ErrorText(int error);

// Waits until the socket is ready as asked or `timeoutMs` passes (-1: no
// socket, just the time). Used by the Linux platform; select on Windows so
// that refused connects are seen.
void WaitForSocket(NativeSocket socket, bool read, bool write, int timeoutMs);

}  // namespace tavrix::net
