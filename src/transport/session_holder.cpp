#include "transport/session_holder.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <list>
#include <vector>

#include "support/failure.h"
#include "support/secret.h"
#include "support/trace.h"
#include "transport/libssh_command.h"
#include "transport/persist_paths.h"
#include "transport/persist_protocol.h"
#include "transport/persist_socket.h"

namespace tavrix::persist {

namespace {

using Clock = std::chrono::steady_clock;

// A server that has said nothing for this long is asked to open a channel
// (the keep-alive: any answer will do), and one that does not answer within
// kAnswerWithin is given up.
constexpr auto kProbeAfter = std::chrono::seconds(10);
constexpr auto kAnswerWithin = std::chrono::seconds(10);
// The holder's own wake-ups: socket removed, idle time, keep-alives.
constexpr int kTickMs = 500;
constexpr std::size_t kMaxPeers = 32;
// OpenSSH allows ten channels on one connection.
constexpr std::size_t kMaxRunning = 8;
// A connection that sends no request is let go after this long.
constexpr auto kRequestWithin = std::chrono::seconds(10);
// A peer that stops reading is let go.
constexpr std::size_t kMaxUnsent = 72 * 1024 * 1024;

volatile std::sig_atomic_t gStopSignal = 0;

void OnStopSignal(int) {
    gStopSignal = 1;
}

bool SameDigest(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

std::string EndFrame(std::int16_t code, const std::string& text) {
    PayloadWriter writer;
    writer.Number(static_cast<std::uint16_t>(code)).Text(text);
    return EncodeFrame(kEnd, writer.Bytes());
}

std::string RefusedFrame(const std::string& reason) {
    PayloadWriter writer;
    writer.Text(reason);
    return EncodeFrame(kRefused, writer.Bytes());
}

// One connection of a check (or of persist --list/--stop).
struct Peer : libssh::CommandListener {
    explicit Peer(net::Socket connection) : socket(std::move(connection)) {}

    void CommandFailed(std::int16_t code, const std::string& text) override {
        out += EndFrame(code, text);
    }
    bool CommandOutput(const char* data, std::size_t size) override {
        out += EncodeFrame(kOutput, std::string_view(data, size));
        return true;
    }

    net::Socket socket;
    std::string in;
    std::string out;
    std::unique_ptr<libssh::LibsshCommand> command;
    Clock::time_point connected = Clock::now();
    Clock::time_point deadline{};
    bool answered = false;  // one request per connection
    bool gone = false;
};

class Holder : private libssh::SessionListener, private libssh::CommandListener {
  public:
    Holder(PersistContext& context, std::unique_ptr<libssh::LibsshSession> session,
           std::string digest, net::Socket listener, std::string socketPath)
        : session_(std::move(session)),
          digest_(std::move(digest)),
          listener_(std::move(listener)),
          socketPath_(std::move(socketPath)),
          host_(context.host),
          port_(context.port),
          user_(context.user),
          persist_(std::chrono::seconds(context.persistSeconds)) {
        session_->SetListener(*this);
    }

    void Run();

  private:
    void SessionFailed(std::int16_t, const std::string&) override {}
    // The spare channel's: refused, or the session went.
    void CommandFailed(std::int16_t, const std::string&) override { spareRefused_ = true; }
    bool CommandOutput(const char*, std::size_t) override { return true; }
    void KeepSpare();
    void OfferCrypto(const libssh::CryptoDetails&, bool&) override {}
    void OfferHostKey(const std::string&, bool&) override {}

    bool StillWanted(Clock::time_point now);
    int PollTimeout(Clock::time_point now) const;
    void AcceptPeers();
    void ReadPeer(Peer& peer);
    void HandleRequest(Peer& peer, const Frame& frame);
    void StartProbe(Clock::time_point now);
    void StepProbe();
    void StepCommands();
    void FinishCommands(Clock::time_point now);
    void WritePeers();
    std::size_t Running() const;

    std::unique_ptr<libssh::LibsshSession> session_;
    std::string digest_;
    net::Socket listener_;
    std::string socketPath_;
    unsigned long socketInode_ = 0;
    std::string host_;
    int port_;
    std::string user_;
    std::chrono::seconds persist_;
    std::list<Peer> peers_;
    Clock::time_point lastRequest_ = Clock::now();
    Clock::time_point lastHeard_ = Clock::now();
    Clock::time_point probeSent_{};
    bool probeOutstanding_ = false;
    // Closing a probe's channel draws the server's own close; taking that in
    // with another probe would draw another, without end. While idle after a
    // probe the holder leaves what the server sends until the next keep-alive.
    Clock::time_point quietUntil_{};
    ssh_channel probe_ = nullptr;  // freed with the session at the latest
    // A channel opened ahead, so that a request waits for the exec only.
    std::unique_ptr<libssh::LibsshCommand> spare_;
    bool spareRefused_ = false;
    bool quit_ = false;
    std::uint32_t served_ = 0;
};

std::size_t Holder::Running() const {
    return static_cast<std::size_t>(std::count_if(
        peers_.begin(), peers_.end(), [](const Peer& peer) { return peer.command != nullptr; }));
}

bool Holder::StillWanted(Clock::time_point now) {
    if (gStopSignal != 0 || quit_) {
        return false;
    }
    if (session_->Broken()) {
        return false;  // the server closed the session
    }
    if (InodeOf(socketPath_) != socketInode_) {
        return false;  // removed or replaced
    }
    const bool running = Running() > 0;
    if (!running && now - lastRequest_ >= persist_) {
        return false;
    }
    if (probeOutstanding_ && now - probeSent_ >= kAnswerWithin) {
        return false;  // the server stopped answering
    }
    if (!probeOutstanding_ && !running && now - lastHeard_ >= kProbeAfter) {
        StartProbe(now);
    }
    return true;
}

void Holder::StartProbe(Clock::time_point now) {
    probe_ = ssh_channel_new(session_->Handle());
    probeSent_ = now;
    probeOutstanding_ = true;
    StepProbe();
}

// Opening the channel also takes in whatever else came (a disconnect).
void Holder::StepProbe() {
    if (probe_ == nullptr) {
        return;
    }
    const int rc = ssh_channel_open_session(probe_);
    if (rc == SSH_AGAIN) {
        return;
    }
    if (rc == SSH_OK) {
        ssh_channel_close(probe_);
    }
    // A refusal is an answer too; a broken session ends the holder.
    ssh_channel_free(probe_);
    probe_ = nullptr;
    probeOutstanding_ = false;
    lastHeard_ = Clock::now();
    quietUntil_ = lastHeard_ + kProbeAfter;
}

int Holder::PollTimeout(Clock::time_point now) const {
    auto wake = now + std::chrono::milliseconds(kTickMs);
    for (const Peer& peer : peers_) {
        if (peer.command) {
            wake = std::min(wake, peer.deadline);
        }
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, kTickMs));
}

void Holder::Run() {
    socketInode_ = InodeOf(socketPath_);
    while (StillWanted(Clock::now())) {
        const int sshFd = ssh_get_fd(session_->Handle());
        std::vector<pollfd> fds;
        fds.push_back({static_cast<int>(listener_.Get()), POLLIN, 0});
        // libssh's own write flag stays set once raised: whether a flush
        // left something unsent decides.
        const bool unsent = ssh_blocking_flush(session_->Handle(), 0) == SSH_AGAIN;
        const bool listen = Running() > 0 || probe_ != nullptr || Clock::now() >= quietUntil_;
        const short sshEvents = static_cast<short>((listen ? POLLIN : 0) | (unsent ? POLLOUT : 0));
        fds.push_back({sshFd, sshEvents, 0});
        for (const Peer& peer : peers_) {
            fds.push_back({static_cast<int>(peer.socket.Get()),
                           static_cast<short>(POLLIN | (peer.out.empty() ? 0 : POLLOUT)), 0});
        }
        const int ready = poll(fds.data(), fds.size(), PollTimeout(Clock::now()));
        if (ready < 0) {
            continue;  // a signal; StillWanted decides
        }
        if ((fds[1].revents & POLLIN) != 0) {
            lastHeard_ = Clock::now();
            if (probe_ != nullptr) {
                StepProbe();
            } else if (Running() == 0) {
                StartProbe(lastHeard_);  // something came: take it in
            }
        } else if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            AcceptPeers();
        }
        for (Peer& peer : peers_) {
            ReadPeer(peer);
        }
        KeepSpare();
        StepCommands();
        FinishCommands(Clock::now());
        WritePeers();
        const auto now = Clock::now();
        peers_.remove_if([now](const Peer& peer) {
            return peer.gone || (peer.answered && !peer.command && peer.out.empty()) ||
                   (!peer.answered && now - peer.connected >= kRequestWithin);
        });
    }
    // New checks must not find a holder that is going.
    if (InodeOf(socketPath_) == socketInode_) {
        unlink(socketPath_.c_str());
    }
    for (Peer& peer : peers_) {
        peer.command.reset();
    }
    peers_.clear();
    spare_.reset();
    probe_ = nullptr;
    session_->Close();
    Wipe(digest_);
}

void Holder::AcceptPeers() {
    for (;;) {
        net::Socket peer = AcceptPeer(listener_);
        if (!peer.Valid()) {
            return;
        }
        if (!PeerIsThisUser(peer) || peers_.size() >= kMaxPeers) {
            continue;  // closed without a word
        }
        peers_.emplace_back(std::move(peer));
    }
}

void Holder::ReadPeer(Peer& peer) {
    for (;;) {
        const long got = ReceiveSome(peer.socket, peer.in);
        if (got == kNothingYet) {
            break;
        }
        if (got <= 0) {
            peer.gone = true;  // a check that went: its command stops too
            peer.command.reset();
            return;
        }
        if (peer.in.size() > kMaxFrame + 5) {
            peer.gone = true;
            return;
        }
    }
    if (peer.answered) {
        return;
    }
    try {
        if (std::optional<Frame> frame = TakeFrame(peer.in)) {
            peer.answered = true;
            HandleRequest(peer, *frame);
        }
    } catch (const std::exception&) {
        peer.gone = true;
    }
}

void Holder::HandleRequest(Peer& peer, const Frame& frame) {
    if (frame.type == kList) {
        HolderStatus status;
        status.host = host_;
        status.port = static_cast<std::uint32_t>(port_);
        status.user = user_;
        const auto idle = Running() > 0 ? Clock::duration::zero() : Clock::now() - lastRequest_;
        status.idleSeconds = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(idle).count());
        status.pid = static_cast<std::uint32_t>(getpid());
        status.served = served_;
        peer.out += EncodeStatus(status);
        return;
    }
    if (frame.type == kQuit) {
        quit_ = true;
        return;
    }
    if (frame.type != kRun) {
        peer.gone = true;
        return;
    }
    RunRequest request = DecodeRun(frame.payload);
    const bool same = SameDigest(request.digest, digest_);
    Wipe(request.digest);
    if (!same) {
        peer.out += RefusedFrame("another login");
        return;
    }
    if (Running() >= kMaxRunning) {
        peer.out += RefusedFrame("too busy");
        return;
    }
    if (request.persistSeconds > 0) {
        persist_ = std::chrono::seconds(request.persistSeconds);
    }
    lastRequest_ = Clock::now();
    const libssh::CryptoDetails& crypto = session_->Crypto();
    PayloadWriter accepted;
    accepted.Text(crypto.protocol)
        .Text(crypto.remoteName)
        .Text(crypto.scCipher)
        .Text(crypto.csCipher)
        .Text(crypto.keys)
        .Text(session_->Fingerprint());
    peer.out += EncodeFrame(kAccepted, accepted.Bytes());
    peer.deadline = lastRequest_ + std::chrono::milliseconds(request.timeLimitMs);
    if (spare_) {
        peer.command = std::move(spare_);
        peer.command->SetListener(peer);
    } else {
        peer.command = std::make_unique<libssh::LibsshCommand>(*session_, peer);
    }
    peer.command->Start(request.command);
    spareRefused_ = false;
}

void Holder::KeepSpare() {
    if (spare_ && spareRefused_) {
        spare_.reset();  // not again before the next request
    }
    if (!spare_ && !spareRefused_ && Running() < kMaxRunning && !session_->Broken()) {
        spare_ = std::make_unique<libssh::LibsshCommand>(
            *session_, static_cast<libssh::CommandListener&>(*this));
        spare_->Open();
    }
}

void Holder::StepCommands() {
    // Each step reports whether it got further; stop when all wait on I/O.
    for (int round = 0; round < 1000; ++round) {
        bool progressed = false;
        for (Peer& peer : peers_) {
            if (peer.command && !peer.command->Done() && !peer.command->Failed()) {
                progressed = peer.command->Step() || progressed;
            }
        }
        if (spare_ && !spare_->Opened() && !spare_->Failed()) {
            progressed = spare_->Step() || progressed;
        }
        if (!progressed) {
            return;
        }
    }
}

void Holder::FinishCommands(Clock::time_point now) {
    for (Peer& peer : peers_) {
        if (!peer.command) {
            continue;
        }
        if (peer.command->Done()) {
            peer.command->CloseChannel();
            peer.out += EndFrame(0, "");
            ++served_;
        } else if (peer.command->Failed()) {
            // The failure's end frame went out from CommandFailed.
        } else if (now >= peer.deadline) {
            peer.command->CloseChannel();
            peer.out += EndFrame(libssh::kFailureTimeout, "The held command took too long");
        } else {
            continue;
        }
        peer.command.reset();
        lastRequest_ = now;
    }
}

void Holder::WritePeers() {
    for (Peer& peer : peers_) {
        if (peer.out.empty() || peer.gone) {
            continue;
        }
        const long sent = SendSome(peer.socket, peer.out);
        if (sent < 0 || peer.out.size() > kMaxUnsent) {
            peer.gone = true;
            peer.command.reset();
            continue;
        }
        peer.out.erase(0, static_cast<std::size_t>(sent));
    }
}

// Every descriptor but the ones the holder needs goes: an engine that reads
// the check's output until its end must not wait for the holder.
void CloseOtherFiles(const std::vector<int>& keep) {
    std::vector<int> open;
    if (DIR* dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (const dirent* entry = readdir(dir)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != own) {
                open.push_back(fd);
            }
        }
        closedir(dir);
    }
    for (const int fd : open) {
        if (std::find(keep.begin(), keep.end(), fd) == keep.end()) {
            close(fd);
        }
    }
}

[[noreturn]] void BecomeHolder(PersistContext& context,
                               std::unique_ptr<libssh::LibsshSession> session, std::string digest,
                               net::Socket listener, net::Socket lock, std::string socketPath) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (null > 2) {
            close(null);
        }
    }
    CloseOtherFiles({ssh_get_fd(session->Handle()), static_cast<int>(listener.Get()),
                     static_cast<int>(lock.Get())});
    struct sigaction stop {};
    stop.sa_handler = &OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTERM, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    Holder(context, std::move(session), std::move(digest), std::move(listener),
           std::move(socketPath))
        .Run();
    // Not the caller's exit: its buffers and objects belong to the check.
    _exit(0);
}

}  // namespace

void LeaveHolder(PersistContext& context) {
    std::unique_ptr<libssh::LibsshSession> session = std::move(context.keptSession);
    std::string digest = std::move(context.keptDigest);
    if (!session) {
        return;
    }
    try {
        const std::string base =
            HolderDirectory() + "/" + HolderName(context.host, context.port, context.user);
        net::Socket lock = LockHolder(base + ".lock");
        if (!lock.Valid()) {
            Trace("SSH a session holder runs already for ", context.host, " port ", context.port,
                  " as ", context.user);
            session->Close();
            Wipe(digest);
            return;
        }
        const std::string socketPath = base + ".sock";
        net::Socket listener = ListenAt(socketPath);
        // What closing the session here sends (the disconnect message) must
        // go nowhere once the connection is the holder's.
        const net::Socket null(open("/dev/null", O_RDWR | O_CLOEXEC));
        if (!null.Valid()) {
            throw Failure("Cannot open /dev/null");
        }
        std::fflush(nullptr);
        std::cout.flush();
        std::cerr.flush();
        const pid_t pid = fork();
        if (pid < 0) {
            unlink(socketPath.c_str());
            throw Failure("Cannot start a process");
        }
        if (pid == 0) {
            // The holder is the grandchild, in a session of its own before the
            // check returns: an engine that kills the check's process group
            // right after it exits cannot reach it.
            setsid();
            if (fork() != 0) {
                _exit(0);
            }
            BecomeHolder(context, std::move(session), std::move(digest), std::move(listener),
                         std::move(lock), socketPath);
        }
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        Trace("SSH session left to a holder process for ", context.persistSeconds, " s");
        dup2(static_cast<int>(null.Get()), ssh_get_fd(session->Handle()));
    } catch (const std::exception& error) {
        Trace("SSH no session holder: ", error.what());
    }
    session->Close();
    Wipe(digest);
}

}  // namespace tavrix::persist
