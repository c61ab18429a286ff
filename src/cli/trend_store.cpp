#include "cli/trend_store.h"

#include <chrono>

#include "cli/trend_files.h"
#include "support/failure.h"
#include "support/regular_file.h"

namespace tavrix::cli {

namespace {

// Parallel checks of one mount hold the lock for a read and a write each;
// one that still waits after this gives up keeping its sample, not the check.
constexpr auto kLockWait = std::chrono::milliseconds(2000);
// Far above any file this version writes.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::string Shown(const std::string& dir, const std::string& name) {
    return dir + (dir.ends_with('/') ? "" : "/") + name;
}

}  // namespace

std::int64_t SystemWallClock() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TrendStore::TrendStore(std::filesystem::path dir, std::string shownDir, WallClock clock,
                       TrendNote note)
    : dir_(std::move(dir)),
      shownDir_(std::move(shownDir)),
      clock_(std::move(clock)),
      note_(std::move(note)) {}

std::string TrendStore::Prepare() const {
    const std::string reason = PreparePrivateDirectory(dir_);
    return reason.empty() ? std::string()
                          : "The state directory " + shownDir_ + " cannot be used: " + reason;
}

TrendHistory TrendStore::Load(const TrendKey& key, const std::filesystem::path& file) const {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return {};
    }
    const std::string shown = Shown(shownDir_, TrendFileName(key));
    std::string text;
    try {
        text = ReadRegularFile(file, shown, "The trend file", kMaxFileBytes);
    } catch (const Failure& failure) {
        note_("the trend of " + key.mount + " starts anew: " + failure.Description());
        return {};
    }
    DecodedTrend decoded = DecodeTrend(text, key);
    if (!decoded.problem.empty()) {
        note_("the trend of " + key.mount + " starts anew: " + shown + " " + decoded.problem);
    }
    return std::move(decoded.history);
}

std::optional<Growth> TrendStore::Record(const TrendKey& key, double sizeBytes, double usedBytes,
                                         double freeBytes, std::int64_t windowSeconds) const {
    const std::string name = TrendFileName(key);
    const std::filesystem::path file = dir_ / name;
    const std::optional<FileLock> lock = FileLock::Acquire(dir_ / (name + ".lock"), kLockWait);
    TrendHistory history = Load(key, file);
    const TrendSample now{clock_(), usedBytes, freeBytes};
    const SampleEffects effects = AddSample(history, sizeBytes, now, windowSeconds);
    if (effects.futureDropped > 0) {
        note_("the clock went back: " + std::to_string(effects.futureDropped) + " sample" +
              (effects.futureDropped == 1 ? "" : "s") + " of " + key.mount +
              " from the future dropped");
    }
    if (!lock) {
        note_("the trend of " + key.mount + " keeps no sample this time: " +
              Shown(shownDir_, name + ".lock") + " cannot be locked");
    } else {
        const std::string reason =
            WriteAndRename(dir_ / (name + ".new"), file, EncodeTrend(key, history));
        if (!reason.empty()) {
            note_("the trend of " + key.mount + " keeps no sample this time: " +
                  Shown(shownDir_, name) + " cannot be written: " + reason);
        }
    }
    return FitGrowth(history.samples, freeBytes);
}

}  // namespace tavrix::cli
