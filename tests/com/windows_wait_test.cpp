// The Windows wait of the SSH platform: it must wake for the socket and for
// the thread's messages, and must not lose a readiness it was told about
// before (Windows socket events fire once per arming).

#include <winsock2.h>
// winsock2.h before windows.h
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "com/windows_ssh_platform.h"

namespace tavrix::com {
namespace {

using Clock = std::chrono::steady_clock;
// Far beyond any of the waits below: a wait that runs into it has missed
// what it should have woken for.
constexpr auto kLimit = std::chrono::seconds(20);
constexpr auto kMissed = std::chrono::seconds(10);

// A connected TCP pair on the loopback interface.
class SocketPair {
  public:
    SocketPair() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        client_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(client_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        server_ = accept(listener, nullptr, nullptr);
        closesocket(listener);
        u_long nonBlocking = 1;
        ioctlsocket(client_, FIONBIO, &nonBlocking);
    }
    ~SocketPair() {
        closesocket(client_);
        closesocket(server_);
        WSACleanup();
    }
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    SshWaitHint ReadHint() const {
        SshWaitHint hint;
        hint.socket = static_cast<std::intptr_t>(client_);
        hint.wantRead = true;
        return hint;
    }
    void Send() { send(server_, "x", 1, 0); }
    void DrainClient() {
        char buffer[64];
        while (recv(client_, buffer, sizeof(buffer), 0) > 0) {
        }
    }

  private:
    SOCKET client_ = INVALID_SOCKET;
    SOCKET server_ = INVALID_SOCKET;
};

Clock::duration TimeWait(const SshWaitHint& hint) {
    const auto start = Clock::now();
    WaitForSocketOrMessage(hint, start + kLimit);
    return Clock::now() - start;
}

TEST(WindowsWaitTest, WakesForTheSocket) {
    SocketPair pair;
    pair.Send();
    EXPECT_LT(TimeWait(pair.ReadHint()), kMissed) << "data already there";
    EXPECT_LT(TimeWait(pair.ReadHint()), kMissed) << "still unread: the event fired once already";

    pair.DrainClient();
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pair.Send();
    });
    EXPECT_LT(TimeWait(pair.ReadHint()), kMissed) << "data that arrives during the wait";
    later.join();

    // Once more after a wait that ended without a read in between.
    pair.DrainClient();
    std::thread again([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pair.Send();
    });
    EXPECT_LT(TimeWait(pair.ReadHint()), kMissed);
    again.join();
}

TEST(WindowsWaitTest, WakesForMessagesAndDispatchesThem) {
    SocketPair pair;  // nothing will arrive on it
    const DWORD thread = GetCurrentThreadId();
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread gets a queue
    std::thread poster([thread] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        PostThreadMessageW(thread, WM_APP, 0, 0);
    });
    EXPECT_LT(TimeWait(pair.ReadHint()), kMissed);
    poster.join();
    PumpThreadMessages();
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
}

TEST(WindowsWaitTest, QuitMessageIsLeftForTheHost) {
    PostQuitMessage(3);
    PumpThreadMessages();
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

TEST(WindowsWaitTest, EndsAtTheClientsMoment) {
    SocketPair pair;
    SshWaitHint hint = pair.ReadHint();
    hint.wakeAt = Clock::now() + std::chrono::milliseconds(50);
    EXPECT_LT(TimeWait(hint), kMissed);
}

}  // namespace
}  // namespace tavrix::com
