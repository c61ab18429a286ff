#include "cli/trend_history.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavrix::cli {

namespace {

constexpr std::string_view kMagic = "tavrix-trend ";
constexpr std::string_view kEnd = "end ";

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

std::string Hex64(std::uint64_t value) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(value));
    return buffer;
}

std::string WholeBytes(double bytes) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::max(0.0, std::round(bytes)));
    return buffer;
}

template <typename Number>
bool ReadNumber(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

bool ReadBytes(std::string_view& text, double& bytes) {
    std::uint64_t whole = 0;
    if (!ReadNumber(text, whole)) {
        return false;
    }
    bytes = static_cast<double>(whole);
    return true;
}

bool Skip(std::string_view& text, std::string_view word) {
    if (!text.starts_with(word)) {
        return false;
    }
    text.remove_prefix(word.size());
    return true;
}

// Splits off the next line, without its "\n"; false when none ends.
bool NextLine(std::string_view& text, std::string_view& line) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        return false;
    }
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

DecodedTrend Problem(std::string problem) {
    return DecodedTrend{{}, std::move(problem)};
}

}  // namespace

std::string TrendKeyLine(const TrendKey& key) {
    const std::string raw =
        key.user + "@" + key.host + ":" + std::to_string(key.port) + " " + key.mount;
    std::string line;
    for (unsigned char c : raw) {
        if (c < 0x20 || c == 0x7f || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
    return line;
}

std::string TrendFileName(const TrendKey& key) {
    return Hex64(Fnv1a(TrendKeyLine(key))) + ".trend";
}

std::string EncodeTrend(const TrendKey& key, const TrendHistory& history) {
    std::string text = std::string(kMagic) + std::to_string(kTrendFormatVersion) + "\n";
    text += "key " + TrendKeyLine(key) + "\n";
    text += "size " + WholeBytes(history.size) + "\n";
    for (const TrendSample& sample : history.samples) {
        text += "s " + std::to_string(sample.time) + " " + WholeBytes(sample.used) + " " +
                WholeBytes(sample.free) + "\n";
    }
    text += std::string(kEnd) + std::to_string(history.samples.size()) + " " + Hex64(Fnv1a(text)) +
            "\n";
    return text;
}

DecodedTrend DecodeTrend(std::string_view text, const TrendKey& key) {
    if (text.empty()) {
        return Problem("is empty");
    }
    std::string_view rest = text;
    std::string_view line;
    int version = 0;
    if (!NextLine(rest, line) || !Skip(line, kMagic) || !ReadNumber(line, version) ||
        !line.empty() || version < 1) {
        return Problem("is not a trend file");
    }
    if (version > kTrendFormatVersion) {
        return Problem("is in a newer format (" + std::to_string(version) + ")");
    }
    // The end line is the last one, and the checksum covers all before it.
    const std::size_t endAt = text.rfind("\nend ");
    if (text.back() != '\n' || endAt == std::string_view::npos) {
        return Problem("is truncated");
    }
    std::string_view endLine = text.substr(endAt + 1 + kEnd.size());
    endLine.remove_suffix(1);
    std::size_t count = 0;
    if (!ReadNumber(endLine, count) || !Skip(endLine, " ") ||
        endLine != Hex64(Fnv1a(text.substr(0, endAt + 1)))) {
        return Problem("is corrupt");
    }
    rest = text.substr(0, endAt + 1);
    NextLine(rest, line);  // the magic, read above
    if (!NextLine(rest, line) || line != "key " + TrendKeyLine(key)) {
        return Problem("belongs to another mount");
    }
    TrendHistory history;
    if (!NextLine(rest, line) || !Skip(line, "size ") || !ReadBytes(line, history.size) ||
        !line.empty()) {
        return Problem("is corrupt");
    }
    while (NextLine(rest, line)) {
        TrendSample sample;
        if (!Skip(line, "s ") || !ReadNumber(line, sample.time) || !Skip(line, " ") ||
            !ReadBytes(line, sample.used) || !Skip(line, " ") || !ReadBytes(line, sample.free) ||
            !line.empty()) {
            return Problem("is corrupt");
        }
        history.samples.push_back(sample);
    }
    if (history.samples.size() != count || history.samples.size() > kMaxTrendSamples) {
        return Problem("is corrupt");
    }
    std::ranges::stable_sort(history.samples, {}, &TrendSample::time);
    return DecodedTrend{std::move(history), {}};
}

SampleEffects AddSample(TrendHistory& history, double size, const TrendSample& now,
                        std::int64_t windowSeconds, std::size_t maxSamples) {
    SampleEffects effects;
    if (history.size != size) {
        effects.sizeChanged = !history.samples.empty();
        history.samples.clear();
        history.size = size;
    }
    std::vector<TrendSample>& samples = history.samples;
    effects.futureDropped = static_cast<std::size_t>(
        std::erase_if(samples, [&](const TrendSample& sample) { return sample.time > now.time; }));
    std::erase_if(samples, [&](const TrendSample& sample) {
        return sample.time < now.time - windowSeconds || sample.time == now.time;
    });
    samples.push_back(now);
    ThinEvenly(samples, maxSamples);
    return effects;
}

void ThinEvenly(std::vector<TrendSample>& samples, std::size_t maxSamples) {
    while (samples.size() > std::max<std::size_t>(maxSamples, 2)) {
        std::size_t drop = 1;
        for (std::size_t i = 2; i + 1 < samples.size(); ++i) {
            if (samples[i + 1].time - samples[i - 1].time <
                samples[drop + 1].time - samples[drop - 1].time) {
                drop = i;
            }
        }
        samples.erase(samples.begin() + static_cast<std::ptrdiff_t>(drop));
    }
}

}  // namespace tavrix::cli
