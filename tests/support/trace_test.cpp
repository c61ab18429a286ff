#include "support/trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace tavrix {
namespace {

using ::testing::ElementsAre;

TEST(TraceTest, CaptureJoinsPartsAndFormatsNumbers) {
    TraceCapture capture;
    Trace("Size : ", 1024.5);
    Trace("Mount : ", std::string("/var"));
    Trace("PercentUsed : ", static_cast<std::int16_t>(40));
    EXPECT_THAT(capture.Texts(), ElementsAre("Size : 1024.5", "Mount : /var", "PercentUsed : 40"));
}

TEST(TraceTest, CaptureIsPerThreadAndNests) {
    TraceCapture outer;
    std::thread([] { Trace("other thread"); }).join();
    {
        TraceCapture inner;
        Trace("inner");
        EXPECT_THAT(inner.Texts(), ElementsAre("inner"));
    }
    Trace("outer");
    EXPECT_THAT(outer.Texts(), ElementsAre("outer"));
}

TEST(TraceTest, OutputEscapesControlCharacters) {
    EXPECT_EQ(trace_detail::ForTraceOutput("a\x1b]0;owned\x07 b\r\n\t\x7f\xe9"),
              "a\\x1b]0;owned\\x07 b\\x0d\\x0a\\x09\\x7f\xe9");
}

TEST(TraceTest, OffMeansNoFormatting) {
    SetTraceEnabled(false);
    ASSERT_FALSE(TraceEnabled());
    // Nothing observable may happen; this mostly proves it compiles to an early return.
    Trace("never ", 1.0);
}

}  // namespace
}  // namespace tavrix
