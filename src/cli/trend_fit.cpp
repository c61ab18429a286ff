#include "cli/trend_fit.h"

#include <algorithm>
#include <cmath>

namespace tavrix::cli {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kSignificance = 2.0;  // standard errors

}  // namespace

std::optional<Growth> FitGrowth(const std::vector<TrendSample>& samples, double freeNow) {
    if (samples.size() < 2) {
        return std::nullopt;
    }
    const auto [first, last] = std::ranges::minmax(samples, {}, &TrendSample::time);
    if (last.time - first.time < kMinTrendSpanSeconds) {
        return std::nullopt;
    }
    // Centred sums: used bytes reach 1e15 and Unix times 2e9, whose raw
    // squares would swallow the slope in rounding.
    const double n = static_cast<double>(samples.size());
    double meanTime = 0;
    double meanUsed = 0;
    for (const TrendSample& sample : samples) {
        meanTime += static_cast<double>(sample.time - first.time) / n;
        meanUsed += sample.used / n;
    }
    double timeSquares = 0;
    double product = 0;
    for (const TrendSample& sample : samples) {
        const double dt = static_cast<double>(sample.time - first.time) - meanTime;
        timeSquares += dt * dt;
        product += dt * (sample.used - meanUsed);
    }
    const double slope = product / timeSquares;  // bytes a second
    double residualSquares = 0;
    for (const TrendSample& sample : samples) {
        const double dt = static_cast<double>(sample.time - first.time) - meanTime;
        const double residual = sample.used - meanUsed - slope * dt;
        residualSquares += residual * residual;
    }
    bool growing = slope > 0;
    if (growing && samples.size() > 2) {
        const double standardError = std::sqrt(residualSquares / (n - 2) / timeSquares);
        growing = slope > kSignificance * standardError;
    }
    Growth growth;
    growth.bytesPerDay = slope * kSecondsPerDay;
    growth.samples = samples.size();
    if (growing) {
        growth.hoursLeft = std::max(freeNow, 0.0) / slope / 3600.0;
    }
    return growth;
}

}  // namespace tavrix::cli
