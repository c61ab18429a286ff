#pragma once
// The trend kept between checks in a state directory: each check adds its
// figures of a mount and gets the growth fitted over the window back.
// Nothing here can make the check fail: a damaged file starts that mount's
// trend anew, with a note.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "cli/trend_fit.h"
#include "cli/trend_history.h"

namespace tavrix::cli {

// Seconds of Unix time; tests step it as they like.
using WallClock = std::function<std::int64_t()>;
std::int64_t SystemWallClock();

// A note for the admin (stderr); core text.
using TrendNote = std::function<void(const std::string&)>;

class TrendStore {
  public:
    // `shownDir` names the directory in texts.
    TrendStore(std::filesystem::path dir, std::string shownDir, WallClock clock, TrendNote note);

    // Creates the directory when missing. Empty when it can be used;
    // otherwise the text of a check that cannot run ("The state directory
    // /x cannot be used: Permission denied").
    std::string Prepare() const;

    // Adds the mount's figures of this check, keeps them, and fits the
    // samples of the last `windowSeconds`. nullopt until enough samples.
    std::optional<Growth> Record(const TrendKey& key, double sizeBytes, double usedBytes,
                                 double freeBytes, std::int64_t windowSeconds) const;

  private:
    TrendHistory Load(const TrendKey& key, const std::filesystem::path& file) const;

    std::filesystem::path dir_;
    std::string shownDir_;
    WallClock clock_;
    TrendNote note_;
};

}  // namespace tavrix::cli
