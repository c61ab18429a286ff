#pragma once
// The frames between a check and the holder of its SSH session, over the
// holder's Unix socket. A frame is a type byte, a 4-byte big-endian payload
// length and the payload; texts inside are a 4-byte length and the bytes.
//
//   check → holder   'R' run:    digest, command, time limit (ms), persist (s)
//                    'L' list:   (nothing)
//                    'Q' quit:   (nothing)
//   holder → check   'A' accepted: protocol, server name, ciphers (2), keys,
//                                  host key fingerprint
//                    'N' refused:  reason (another login, too busy, session gone)
//                    'O' output:   bytes of standard output, in order
//                    'E' end:      failure code (0: the command ended), text
//                    'S' status:   host, port, user, idle (s), pid, requests served
// A run is answered with 'N', or with 'A', any number of 'O' and one 'E'.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrix::persist {

inline constexpr char kRun = 'R';
inline constexpr char kList = 'L';
inline constexpr char kQuit = 'Q';
inline constexpr char kAccepted = 'A';
inline constexpr char kRefused = 'N';
inline constexpr char kOutput = 'O';
inline constexpr char kEnd = 'E';
inline constexpr char kStatus = 'S';

// Larger frames are a broken peer; output goes in pieces far below it.
inline constexpr std::uint32_t kMaxFrame = 1024 * 1024;

struct Frame {
    char type = 0;
    std::string payload;
};

std::string EncodeFrame(char type, std::string_view payload);

// Takes the first complete frame off the front of `buffer`; nullopt while it
// is incomplete. Throws Failure for a frame above kMaxFrame.
std::optional<Frame> TakeFrame(std::string& buffer);

// Building and reading payloads.
class PayloadWriter {
  public:
    PayloadWriter& Text(std::string_view text);
    PayloadWriter& Number(std::uint32_t value);
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

// Throws Failure when the payload ends early.
class PayloadReader {
  public:
    explicit PayloadReader(std::string_view payload) : rest_(payload) {}
    std::string Text();
    std::uint32_t Number();

  private:
    std::string_view rest_;
};

struct RunRequest {
    std::string digest;
    std::string command;
    std::uint32_t timeLimitMs = 0;
    std::uint32_t persistSeconds = 0;
};

std::string EncodeRun(const RunRequest& request);
RunRequest DecodeRun(std::string_view payload);

struct HolderStatus {
    std::string host;
    std::uint32_t port = 0;
    std::string user;
    std::uint32_t idleSeconds = 0;
    std::uint32_t pid = 0;
    std::uint32_t served = 0;
};

std::string EncodeStatus(const HolderStatus& status);
HolderStatus DecodeStatus(std::string_view payload);

}  // namespace tavrix::persist
