// The verdict on one mount: its free space in the configured unit against the
// threshold, and the result text the host shows or graphs.

#include "host/evaluation.h"

#include <algorithm>

#include "host/codes.h"
#include "query/mount_match.h"
#include "support/numbers.h"

namespace tavrix {
namespace {

std::string ResultText(const EvaluationSettings& settings, const std::string& figureAndUnit) {
    if (settings.returnAsNumber) {
        return figureAndUnit;
    }
    return "Free space on " + settings.resource + " is " + figureAndUnit;
}

}  // namespace

std::optional<std::size_t> FindMountRecord(const std::vector<MountRecord>& records, int count,
                                           const std::string& resource, const std::string& os) {
    const bool ignoreCase = os == kBrwdfOs;
    const auto usable = std::min(static_cast<std::size_t>(std::max(count, 0)), records.size());
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < usable; ++i) {
        if (MountMatches(records[i].Mount, resource, ignoreCase)) {
            found = i;  // no break: when a mount is listed twice, the last line counts
        }
    }
    return found;
}

double BytesPerUnit(std::string_view unit) {
    double bytes = 1;
    for (int step = KilobyteSteps(unit); step > 0; --step) {
        bytes *= 1024;
    }
    return bytes;
}

Verdict EvaluateRecord(const MountRecord& record, const EvaluationSettings& settings) {
    Verdict verdict;
    if (settings.unit == kPercentUnit) {
        // Compared in free percent; the text still tells the free kilobytes.
        verdict.comparedValue = 100.0 - record.PercentUsed;
        const double kilobytes = record.Available / 1024 * settings.blockSize;
        verdict.text = ResultText(settings, FormatNumber(kilobytes) + " kb");
    } else {
        double value = record.Available * settings.blockSize;
        for (int step = KilobyteSteps(settings.unit); step > 0; --step) {
            value /= 1024;
        }
        verdict.comparedValue = value;
        verdict.text = ResultText(settings, FormatOneDecimal(value) + " " + settings.unit);
    }
    verdict.enough = verdict.comparedValue >= settings.compareValue;
    return verdict;
}

Verdict EvaluateRecords(const std::vector<MountRecord>& records, int count,
                        const EvaluationSettings& settings) {
    const auto index = FindMountRecord(records, count, settings.resource, settings.os);
    if (!index) {
        Verdict unknown;
        unknown.text = "Unknown mount";
        return unknown;
    }
    Verdict verdict = EvaluateRecord(records[*index], settings);
    verdict.recordIndex = index;
    return verdict;
}

}  // namespace tavrix
