#include "cli/trend_check.h"

#include <algorithm>
#include <cmath>

#include "cli/cli_text.h"
#include "host/parameter_string.h"
#include "support/failure.h"
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
    // The size as printed: Size stops at the 32-bit range. Used space as the
    // perfdata counts it (size less available), which also grows when df
    // prints no used column.
    const double size =
        (record.SizeAsPrinted > 0 ? record.SizeAsPrinted : static_cast<double>(record.Size)) *
        block;
    const double free = record.Available * block;
    const double used = size > 0 ? std::max(0.0, size - free) : record.Used * block;
    MountTrend trend;
    trend.growth = store.Record(key, size, used, free, settings.windowSeconds);
    if (trend.growth) {
        trend.state = HoursLeftState(*trend.growth, settings.limits);
        trend.text = HoursLeftText(*trend.growth, settings.limits);
    }
    trend.perfdata = TrendPerfdata(key.mount, trend.growth, settings.limits);
    return trend;
}

TrendRun::TrendRun(TrendSettings settings, TrendKey login, WallClock clock)
    : settings_(std::move(settings)),
      login_(std::move(login)),
      store_(settings_.dir, settings_.shownDir, std::move(clock),
             [notes = notes_](const std::string& note) { notes->push_back(note); }) {}

void TrendRun::Apply(MountReport& report, std::int32_t blockSize) const {
    if (!report.record) {
        return;
    }
    TrendKey key = login_;
    key.mount = report.mount;
    const MountTrend trend = TrendOfMount(store_, settings_, key, *report.record, blockSize);
    report.state = Worse(report.state, trend.state);
    if (!trend.text.empty()) {
        report.note += (report.note.empty() ? "" : "; ") + trend.text;
    }
    if (!trend.perfdata.empty()) {
        report.perfdata += (report.perfdata.empty() ? "" : " ") + trend.perfdata;
    }
    report.trend = TrendJson(trend.growth);
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

std::optional<TrendRun> TrendRunFor(const Arguments& args, const std::string& host,
                                    const std::string& parameters) {
    std::optional<TrendSettings> settings = TrendOptionsOf(args);
    if (!settings) {
        return std::nullopt;
    }
    TrendKey login{host,
                   static_cast<int>(ReadKeyNumber(GetKeyValue(parameters, "PORT"))),
                   GetKeyValue(parameters, "USR"),
                   {}};
    std::optional<TrendRun> trend(std::in_place, std::move(*settings), std::move(login));
    if (const std::string problem = trend->Prepare(); !problem.empty()) {
        throw Failure(problem);
    }
    return trend;
}

}  // namespace tavrix::cli
