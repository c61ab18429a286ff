#include <winsock2.h>
// winsock2.h must come before windows.h
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "com/unique_handle.h"
#include "com/windows_ssh_platform.h"
#include "support/failure.h"

namespace tavrix::com {

namespace {

using Clock = std::chrono::steady_clock;

DWORD MillisecondsUntil(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max()) {
        return INFINITE;
    }
    const auto now = Clock::now();
    if (deadline <= now) {
        return 0;
    }
    // Round up, so that the wait does not end just before the deadline and
    // come back for a zero-length wait.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
}

// Readiness as it is now. Called after the socket was associated with the
// event: network events are edge-triggered, and an FD_READ is only armed
// again by a receive call. The peek is that call, so data that arrives from
// here on sets the event, and data already there is seen at once.
bool SocketReady(SOCKET socket, const SshWaitHint& hint) {
    if (hint.wantRead) {
        char byte;
        const int received = recv(socket, &byte, 1, MSG_PEEK);
        if (received >= 0) {
            return true;  // data, or the peer closed: Process() reads it
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK && error != WSAENOTCONN) {
            return true;  // a failure: Process() reports it
        }
    }
    if (hint.wantWrite) {
        // Writability is armed by a send that would block, which is the only
        // way the socket can have become unwritable; poll for the present.
        WSAPOLLFD entry{};
        entry.fd = socket;
        entry.events = POLLWRNORM;
        if (WSAPoll(&entry, 1, 0) != 0) {
            return true;
        }
    }
    return false;
}

// Associates the socket with an event for the life of one wait; afterwards
// the socket is left as libssh expects it, without an association.
class SocketEventSelection {
  public:
    SocketEventSelection(SOCKET socket, HANDLE event, long events) : socket_(socket) {
        selected_ = WSAEventSelect(socket_, event, events) == 0;
    }
    ~SocketEventSelection() {
        if (selected_) {
            WSAEventSelect(socket_, nullptr, 0);
        }
    }
    SocketEventSelection(const SocketEventSelection&) = delete;
    SocketEventSelection& operator=(const SocketEventSelection&) = delete;
    bool Selected() const { return selected_; }

  private:
    SOCKET socket_;
    bool selected_ = false;
};

}  // namespace

void PumpThreadMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void WaitForSocketOrMessage(const SshWaitHint& hint, Clock::time_point until) {
    const Clock::time_point deadline = std::min(hint.wakeAt, until);
    const bool watchSocket = hint.socket != -1 && (hint.wantRead || hint.wantWrite);

    UniqueHandle event;
    std::optional<SocketEventSelection> selection;
    if (watchSocket) {
        event = UniqueHandle(WSACreateEvent());
        if (!event) {
            throw Failure("Cannot create an event for the SSH socket");
        }
        const long events = (hint.wantRead ? FD_READ | FD_CLOSE : 0) |
                            (hint.wantWrite ? FD_WRITE | FD_CONNECT | FD_CLOSE : 0);
        const auto socket = static_cast<SOCKET>(hint.socket);
        selection.emplace(socket, event.Get(), events);
        if (!selection->Selected() || SocketReady(socket, hint)) {
            return;  // ready now, or not selectable: let Process() look at it
        }
    }

    HANDLE handles[1] = {event.Get()};
    const DWORD handleCount = watchSocket ? 1 : 0;
    // MWMO_INPUTAVAILABLE: also wake for messages that were already in the
    // queue but had been seen (and left) by an earlier PeekMessage.
    MsgWaitForMultipleObjectsEx(handleCount, handleCount != 0 ? handles : nullptr,
                                MillisecondsUntil(deadline), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

WindowsSshPlatform::WindowsSshPlatform(std::shared_ptr<SshPlatform> clients)
    : clients_(std::move(clients)) {}

std::unique_ptr<SshClient> WindowsSshPlatform::CreateClient() {
    return clients_->CreateClient();
}

std::unique_ptr<SshKey> WindowsSshPlatform::CreateKey() {
    return clients_->CreateKey();
}

void WindowsSshPlatform::WaitAndProcess(SshClient& client, Clock::time_point until) {
    WaitForSocketOrMessage(client.WaitHint(), until);
    PumpThreadMessages();
    client.Process();
}

}  // namespace tavrix::com
