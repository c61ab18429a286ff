#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/trend_check.h"

namespace tavrix::cli {
namespace {

constexpr std::int64_t kStart = 1765170000;  // Unix time
constexpr double kSize = 100e9;
constexpr std::int64_t kDay = 86400;

// Used space along a line, with a repeatable scatter of +-`noise` bytes.
std::vector<TrendSample> Line(int count, std::int64_t step, double used, double perSecond,
                              double noise = 0, double size = kSize) {
    std::vector<TrendSample> samples;
    for (int i = 0; i < count; ++i) {
        const double scatter = noise * std::sin(i * 2.3999632);  // golden angle: no pattern
        const double u = used + perSecond * static_cast<double>(i * step) + scatter;
        samples.push_back({kStart + i * step, u, size - u});
    }
    return samples;
}

struct FitCase {
    std::string name;
    std::vector<TrendSample> samples;
    bool fitted;
    std::optional<double> hoursLeft;  // expected, within `tolerance`
    double tolerance = 0.02;
};

void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class FitGrowthTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitGrowthTest, HoursLeft) {
    const FitCase& c = GetParam();
    const std::optional<Growth> growth =
        FitGrowth(c.samples, c.samples.empty() ? 0 : c.samples.back().free);
    ASSERT_EQ(growth.has_value(), c.fitted);
    if (!growth) {
        return;
    }
    ASSERT_EQ(growth->hoursLeft.has_value(), c.hoursLeft.has_value());
    if (c.hoursLeft) {
        EXPECT_NEAR(*growth->hoursLeft, *c.hoursLeft, *c.hoursLeft * c.tolerance);
    }
}

// 50 GB used of 100 GB, growing 1 GB an hour (in seconds), over a day of
// 5-minute checks: at the last one 53.08 GB are left.
constexpr double kGbPerHour = 1e9 / 3600;

INSTANTIATE_TEST_SUITE_P(
    Samples, FitGrowthTest,
    ::testing::Values(FitCase{"None", {}, false, {}},
                      FitCase{"One", Line(1, 300, 50e9, kGbPerHour), false, {}},
                      FitCase{"TwoTooClose", Line(2, 120, 50e9, kGbPerHour), false, {}},
                      FitCase{"TwoApart", Line(2, 300, 50e9, kGbPerHour), true, 49.9e9 / 1e9},
                      FitCase{"Linear", Line(24 * 12, 300, 23e9, kGbPerHour), true, 53.08},
                      // df's rounding and a busy disk scatter each figure by 2 GB.
                      FitCase{"NoisyLinear", Line(24 * 12, 300, 23e9, kGbPerHour, 2e9), true, 53.08,
                              0.05},
                      FitCase{"Steady", Line(50, 600, 50e9, 0), true, {}},
                      FitCase{"SteadyWithNoise", Line(50, 600, 50e9, 0, 2e9), true, {}},
                      FitCase{"Shrinking", Line(50, 600, 50e9, -kGbPerHour), true, {}},
                      // A petabyte volume at Unix times: centred sums keep the slope.
                      FitCase{"HugeVolume", Line(100, 900, 9e14, 1e6, 0, 1e15), true, 27753}),
    [](const auto& info) { return info.param.name; });

struct TextCase {
    Growth growth;
    HoursLeftLimits limits;
    std::string text;
    State state;
    std::string perfdata;
};

TEST(HoursLeftText, SaysTimeLeftAndLimit) {
    const double gb = 1024.0 * 1024 * 1024;
    const std::vector<TextCase> cases = {
        {{12.9 * gb, 10, 3.2 * 24},
         {96, 24},
         "full in 3.2 days at 12.9 GB a day; below the warning of 4 days",
         State::Warning,
         "'/var growth'=13851269530B;;;; '/var hours_left'=76.8;96;24;0;"},
        {{300 * gb, 10, 5.24},
         {96, 24},
         "full in 5.2 hours at 300 GB a day; below the critical of 24 hours",
         State::Critical,
         "'/var growth'=322122547200B;;;; '/var hours_left'=5.2;96;24;0;"},
        {{300 * gb, 10, 0.66},
         {{}, 1},
         "full in 40 minutes at 300 GB a day; below the critical of 1 hour",
         State::Critical,
         "'/var growth'=322122547200B;;;; '/var hours_left'=0.7;;1;0;"},
        {{512, 10, 24 * 400},
         {96, 24},
         "full in 400 days at 512 B a day",
         State::Ok,
         "'/var growth'=512B;;;; '/var hours_left'=9600;96;24;0;"},
        {{1.5 * gb, 10, 96},  // equal is enough
         {96, 24},
         "full in 4 days at 1.5 GB a day",
         State::Ok,
         "'/var growth'=1610612736B;;;; '/var hours_left'=96;96;24;0;"},
        {{-5 * gb, 10, std::nullopt},
         {96, 24},
         "",
         State::Ok,
         "'/var growth'=-5368709120B;;;; '/var hours_left'=U;96;24;0;"},
        {{0, 10, std::nullopt}, {}, "", State::Ok, "'/var growth'=0B;;;; '/var hours_left'=U;;;0;"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(HoursLeftText(c.growth, c.limits), c.text);
        EXPECT_EQ(HoursLeftState(c.growth, c.limits), c.state) << c.text;
        EXPECT_EQ(TrendPerfdata("/var", c.growth, c.limits), c.perfdata) << c.text;
    }
}

// A state directory of its own per test, and a clock the test moves.
class TrendStoreTest : public ::testing::Test {
  protected:
    static std::filesystem::path NewDirectory() {
        static int counter = 0;
        const std::filesystem::path parent =
            std::filesystem::temp_directory_path() /
            ("tavrix-trend-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(parent);
        return parent / "state";
    }
    void SetUp() override { ASSERT_EQ(store_.Prepare(), ""); }
    void TearDown() override { std::filesystem::remove_all(dir_.parent_path()); }

    std::optional<Growth> Check(double used, double size = kSize) {
        return store_.Record(key_, size, used, size - used, kDay);
    }
    std::filesystem::path File() const { return dir_ / TrendFileName(key_); }
    std::string Notes() { return std::exchange(notes_, {}); }
    std::string FileText() const {
        std::ifstream file(File(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    void Write(const std::string& text) const {
        std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
    }
    // One check every `step` seconds along a line of `perSecond` growth.
    std::optional<Growth> Checks(int count, std::int64_t step, double used, double perSecond) {
        std::optional<Growth> growth;
        for (int i = 0; i < count; ++i) {
            growth = Check(used + perSecond * static_cast<double>(now_ - kStart));
            now_ += step;
        }
        now_ -= step;
        return growth;
    }

    std::filesystem::path dir_ = NewDirectory();
    TrendKey key_{"db1", 22, "monitor", "/var"};
    std::int64_t now_ = kStart;
    std::string notes_;
    TrendStore store_{dir_, "/state", [this] { return now_; },
                      [this](const std::string& note) { notes_ += note + "\n"; }};
};

TEST_F(TrendStoreTest, LinearGrowthThroughTheStore) {
    // A day of 2-minute checks: thinned to the bound, the fit still holds.
    const std::optional<Growth> growth = Checks(24 * 30, 120, 20e9, kGbPerHour);
    ASSERT_TRUE(growth && growth->hoursLeft);
    const double left = (kSize - 20e9 - kGbPerHour * static_cast<double>(now_ - kStart)) / 1e9;
    EXPECT_NEAR(*growth->hoursLeft, left, left * 0.02);
    EXPECT_EQ(growth->samples, kMaxTrendSamples);
    EXPECT_LT(std::filesystem::file_size(File()), 16u * 1024);
    EXPECT_EQ(Notes(), "");
    struct stat status {};
    ASSERT_EQ(::stat(dir_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(File().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(TrendStoreTest, ThinningKeepsTheWindowEven) {
    std::vector<TrendSample> samples = Line(24 * 60, 60, 1e9, 1);
    ThinEvenly(samples, 100);
    ASSERT_EQ(samples.size(), 100u);
    EXPECT_EQ(samples.front().time, kStart);
    EXPECT_EQ(samples.back().time, kStart + (24 * 60 - 1) * 60);
    std::int64_t widest = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        widest = std::max(widest, samples[i].time - samples[i - 1].time);
    }
    EXPECT_LE(widest, 2 * kDay / 100);
}

TEST_F(TrendStoreTest, ABadFileRestartsTheTrendWithANote) {
    Checks(3, 600, 50e9, kGbPerHour);
    const std::string sound = FileText();
    TrendKey other = key_;
    other.port = 2222;
    TrendHistory someHistory;
    someHistory.size = kSize;
    someHistory.samples = Line(3, 600, 1e9, 1);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "is empty"},
        {sound.substr(0, sound.size() / 2), "is truncated"},
        {sound.substr(0, sound.size() - 1), "is truncated"},
        {std::string(sound).replace(sound.find("s ") + 3, 1, "9"), "is corrupt"},
        {EncodeTrend(other, someHistory), "belongs to another mount"},
        {"tavrix-trend 2\nkey whatever\n", "is in a newer format (2)"},
        {"\x89PNG\r\n\x1a\n", "is not a trend file"},
        {std::string(100 * 1024, 's'), "is larger than 64 KiB"},
    };
    for (const auto& [text, problem] : cases) {
        Write(text);
        now_ += 600;
        EXPECT_FALSE(Check(60e9)) << problem;
        const std::string notes = Notes();
        EXPECT_NE(notes.find("the trend of /var starts anew: "), std::string::npos) << notes;
        EXPECT_NE(notes.find(problem), std::string::npos) << notes;
        const DecodedTrend after = DecodeTrend(FileText(), key_);
        EXPECT_EQ(after.problem, "") << problem;
        EXPECT_EQ(after.history.samples.size(), 1u) << problem;
    }
}

TEST_F(TrendStoreTest, AFileThatCannotBeReplacedLeavesTheCheckAlone) {
    std::filesystem::create_directory(File());
    EXPECT_FALSE(Check(50e9));
    const std::string notes = Notes();
    EXPECT_NE(notes.find("is a directory"), std::string::npos) << notes;
    EXPECT_NE(notes.find("the trend of /var keeps no sample this time: /state/"), std::string::npos)
        << notes;
}

TEST_F(TrendStoreTest, ClockSteppingBackDropsTheFuture) {
    Checks(13, 300, 50e9, kGbPerHour);  // an hour
    now_ -= 1800 + 10;                  // a VM restored to half an hour ago
    const std::optional<Growth> growth = Check(50e9 + kGbPerHour * 1800);
    EXPECT_EQ(Notes(), "the clock went back: 7 samples of /var from the future dropped\n");
    ASSERT_TRUE(growth && growth->hoursLeft);
    EXPECT_EQ(growth->samples, 7u);
    EXPECT_GT(*growth->hoursLeft, 0);
}

TEST_F(TrendStoreTest, SizeChangeAndOldSamplesRestart) {
    Checks(4, 600, 50e9, kGbPerHour);
    now_ += 600;
    EXPECT_FALSE(Check(50e9, 2 * kSize));  // the volume was grown
    now_ += 2 * kDay;
    EXPECT_FALSE(Check(50e9, 2 * kSize));  // the only sample left the window
    EXPECT_EQ(Notes(), "");
}

TEST_F(TrendStoreTest, ParallelChecksLoseNoSample) {
    std::atomic<std::int64_t> clock{kStart};
    TrendStore store(
        dir_, "/state", [&] { return clock += 60; }, [](const std::string&) {});
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                store.Record(key_, kSize, 1e9, kSize - 1e9, kDay);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const DecodedTrend after = DecodeTrend(FileText(), key_);
    EXPECT_EQ(after.problem, "");
    EXPECT_EQ(after.history.samples.size(), 160u);
}

TEST(TrendStorePrepare, UnusableDirectoryIsNamed) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("tavrix-trend-file-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    const TrendStore inFile(file / "state", "/x/state", SystemWallClock, {});
    EXPECT_EQ(inFile.Prepare().rfind("The state directory /x/state cannot be used: ", 0), 0u);
    const TrendStore isFile(file, "/x", SystemWallClock, {});
    EXPECT_EQ(isFile.Prepare(), "The state directory /x cannot be used: is not a directory");
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace tavrix::cli
