#include "cli/trend_check.h"

#include <cmath>

#include "cli/cli_text.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

std::string OneDecimal(double value) {
    return FormatNumber(std::round(value * 10) / 10);
}

std::string OptionalHours(const std::optional<double>& hours) {
    return hours ? FormatNumber(*hours) : "";
}

}  // namespace

MountTrend TrendOfMount(const TrendStore& store, const TrendSettings& settings, const TrendKey& key,
                        const MountRecord& record, std::int32_t blockSize) {
    const double block = blockSize;
    MountTrend trend;
    trend.growth = store.Record(key, static_cast<double>(record.Size) * block, record.Used * block,
                                record.Available * block, settings.windowSeconds);
    if (trend.growth) {
        trend.state = HoursLeftState(*trend.growth, settings.limits);
        trend.text = HoursLeftText(*trend.growth, settings.limits);
    }
    trend.perfdata = TrendPerfdata(key.mount, trend.growth, settings.limits);
    return trend;
}

std::string TrendPerfdata(const std::string& mount, const std::optional<Growth>& growth,
                          const HoursLeftLimits& limits) {
    if (!growth) {
        return {};
    }
    return PerfdataLabel(mount + " growth") + "=" + PlainWholeNumber(growth->bytesPerDay) +
           "B;;;; " + PerfdataLabel(mount + " hours_left") + "=" +
           (growth->hoursLeft ? OneDecimal(*growth->hoursLeft) : "U") + ";" +
           OptionalHours(limits.warning) + ";" + OptionalHours(limits.critical) + ";0;";
}

std::string TrendJson(const std::optional<Growth>& growth) {
    if (!growth) {
        return "null";
    }
    return "{\"bytesPerDay\":" + JsonNumber(std::round(growth->bytesPerDay)) +
           ",\"hoursLeft\":" + (growth->hoursLeft ? JsonNumber(*growth->hoursLeft) : "null") +
           ",\"samples\":" + std::to_string(growth->samples) + "}";
}

}  // namespace tavrix::cli
