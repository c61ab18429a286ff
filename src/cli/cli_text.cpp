#include "cli/cli_text.h"

#include <cmath>
#include <cstdio>

#include "cli/cli_arguments.h"
#include "support/codepage.h"
#include "support/numbers.h"

namespace tavrix::cli {

std::string ToCore(std::string_view utf8, const std::string& what) {
    bool lossless = true;
    std::string ansi = Utf8ToAnsi(utf8, &lossless);
    if (!lossless) {
        throw UsageError(what + " holds characters that Windows-1252 cannot hold");
    }
    return ansi;
}

std::string ForTerminal(std::string_view ansi) {
    std::string shown;
    for (char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return AnsiToUtf8(shown);
}

std::string JsonString(std::string_view ansi) {
    const std::string utf8 = AnsiToUtf8(ansi);
    std::string json = "\"";
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    json += "\\u00";
                    json += kHex[byte >> 4];
                    json += kHex[byte & 0x0F];
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    return FormatNumber(value);
}

std::string JsonRecord(const MountRecord& record) {
    return "{\"Filesystem\":" + JsonString(record.Filesystem) +
           ",\"FsType\":" + JsonString(record.FsType) + ",\"Size\":" + std::to_string(record.Size) +
           ",\"Used\":" + JsonNumber(record.Used) +
           ",\"Available\":" + JsonNumber(record.Available) +
           ",\"PercentUsed\":" + std::to_string(record.PercentUsed) +
           ",\"Mount\":" + JsonString(record.Mount) + "}";
}

std::string PlainWholeNumber(double value) {
    if (!std::isfinite(value)) {
        return "U";  // "undetermined" in performance data
    }
    const double whole = std::round(value);
    if (std::fabs(whole) < 9.0e15) {
        return std::to_string(static_cast<long long>(whole));
    }
    return FormatNumber(whole);
}

void PrintLine(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

void PrintError(const std::string& utf8) {
    std::fflush(stdout);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace tavrix::cli
