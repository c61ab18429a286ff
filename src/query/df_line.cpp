#include "query/df_line.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "query/df_words.h"
#include "query/mount_match.h"
#include "query/query_state.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/trace.h"

namespace tavrix {
namespace {

using df_words::TakeWord;

// A number too large for its field leaves the field 0; the rest of the line
// is still stored.
std::int32_t SizeOrZero(double size) {
    try {
        return NarrowToInt32(size);
    } catch (const Failure&) {
        return 0;
    }
}

std::int16_t PercentOrZero(double percent) {
    try {
        return NarrowToInt16(percent);
    } catch (const Failure&) {
        return 0;
    }
}

void TraceWrongResource(std::string_view found) {
    Trace("Exit SplitParameters wrong resource.  Found=", found, " while searching for ",
          gResource);
}

// The percentage word is read only when a blank follows it; `rest` becomes
// what comes after that blank.
struct Percentage {
    double value = 0;
    bool present = false;
};

Percentage TakePercentage(std::string_view& rest) {
    const auto blank = rest.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    const Percentage percentage{ReadWordNumber(rest.substr(0, blank)), true};
    rest = TrimBlanks(rest.substr(blank + 1));
    return percentage;
}

// Filesystem [type] size used available percent mount-point-with-blanks
void ParseGenericLine(std::string_view line, MountRecord& record) {
    std::string_view rest = TrimBlanks(line);
    Trace("String: ", rest);
    const std::string_view filesystem = TrimBlanks(TakeWord(rest));
    Trace("Filesystem: ", filesystem);
    std::string_view fsType;
    if (gHasTypeColumn) {
        fsType = TrimBlanks(TakeWord(rest));
    }
    const double size = ReadWordNumber(TakeWord(rest));
    Trace("Size : ", size);
    const double used = ReadWordNumber(TakeWord(rest));
    Trace("Used : ", used);
    const double available = ReadWordNumber(TakeWord(rest));
    Trace("Available : ", available);
    const Percentage percentage = TakePercentage(rest);
    if (percentage.present) {
        Trace("Percentage in use : ", percentage.value);
    } else {
        Trace("Percentage in use : ");
    }
    const std::string_view mount = rest;
    Trace("Mount : ", mount);

    if (!gResource.empty() && mount != gResource) {
        TraceWrongResource(mount);
        return;
    }
    record.Filesystem.assign(filesystem);
    if (gHasTypeColumn) {
        record.FsType.assign(fsType);
    }
    record.Size = SizeOrZero(size);
    record.SizeAsPrinted = size;
    record.Used = used;
    record.Available = available;
    record.PercentUsed = PercentOrZero(percentage.value);
    record.Mount.assign(mount);
}

// Drive size used available percent [ignored...]; "---" lines are separators.
void ParseBrwdfLine(std::string_view line, MountRecord& record) {
    std::string_view rest = TrimBlanks(line);
    Trace("String: ", rest);
    std::string_view afterDrive = rest;
    const std::string_view drive = TrimBlanks(TakeWord(afterDrive));
    if (drive.starts_with("---")) {
        return;
    }
    if (!gResource.empty() && !MountMatches(drive, gResource, true)) {
        TraceWrongResource(drive);
        return;
    }
    rest = afterDrive;
    const double size = ReadWordNumber(TakeWord(rest));
    const double used = ReadWordNumber(TakeWord(rest));
    const double available = ReadWordNumber(TakeWord(rest));
    const Percentage percentage = TakePercentage(rest);

    record.Mount.assign(drive);
    record.Size = SizeOrZero(size);
    record.SizeAsPrinted = size;
    record.Used = used;
    record.Available = available;
    record.PercentUsed = PercentOrZero(percentage.value);
}

}  // namespace

void ParseDataLine(std::string_view line, std::int16_t index) {
    MountRecord& record = gMountRecords[static_cast<std::size_t>(index)];
    if (gOS == kBrwdfOs) {
        ParseBrwdfLine(line, record);
    } else {
        ParseGenericLine(line, record);
    }
}

void SplitParameters(std::string line, const std::int16_t& index) {
    if (index < 0) {
        return;
    }
    const auto slot = static_cast<std::size_t>(index);
    if (gMountRecords.size() <= slot) {
        gMountRecords.resize(slot + 1);
    }
    ParseDataLine(line, index);
}

}  // namespace tavrix
