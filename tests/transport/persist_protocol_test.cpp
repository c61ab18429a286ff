#include "transport/persist_protocol.h"

#include <gtest/gtest.h>

#include "support/failure.h"

namespace tavrix::persist {
namespace {

// A run request and the answers to it, fed in pieces of every size as a
// socket may deliver them: each frame comes out whole, once, in order.
TEST(PersistProtocolTest, FramesSurviveAnySplit) {
    RunRequest request{std::string(32, '\xA5'), "LANG=C df -kP '/'", 5000, 60};
    const std::string output(70000, 'x');  // above one 64 KiB read
    const std::string stream = EncodeRun(request) + EncodeFrame(kAccepted, "") +
                               EncodeFrame(kOutput, output) + EncodeFrame(kEnd, "");
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{4}, std::size_t{5}, std::size_t{4096}, stream.size()}) {
        std::string buffer;
        std::vector<Frame> frames;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            buffer += stream.substr(at, piece);
            while (std::optional<Frame> frame = TakeFrame(buffer)) {
                frames.push_back(*frame);
            }
        }
        ASSERT_EQ(frames.size(), 4u) << "pieces of " << piece;
        EXPECT_TRUE(buffer.empty());
        const RunRequest decoded = DecodeRun(frames[0].payload);
        EXPECT_EQ(decoded.digest, request.digest);
        EXPECT_EQ(decoded.command, request.command);
        EXPECT_EQ(decoded.timeLimitMs, 5000u);
        EXPECT_EQ(decoded.persistSeconds, 60u);
        EXPECT_EQ(frames[2].type, kOutput);
        EXPECT_EQ(frames[2].payload, output);
        EXPECT_EQ(frames[3].type, kEnd);
    }
}

// A peer that sends a huge length or a payload that ends early is refused,
// not waited for or read past.
TEST(PersistProtocolTest, BrokenFramesAreRefused) {
    std::string huge = std::string(1, kRun) + "\x7F\xFF\xFF\xFF";
    EXPECT_THROW(TakeFrame(huge), Failure);
    EXPECT_THROW(DecodeRun(PayloadWriter().Text("digest").Bytes()), Failure);
    EXPECT_THROW(DecodeStatus(PayloadWriter().Text("host").Number(22).Bytes() + "\0\0\0\x09u"),
                 Failure);
}

}  // namespace
}  // namespace tavrix::persist
