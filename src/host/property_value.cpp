#include "host/property_value.h"

#include <optional>

#include "support/failure.h"
#include "support/numbers.h"
#include "support/text.h"

namespace tavrix {

std::string PropertyText(const PropertyValue& value) {
    if (const auto* number = std::get_if<double>(&value)) {
        return FormatNumber(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

std::int16_t TimeoutSeconds(const PropertyValue& value) {
    if (const auto* number = std::get_if<double>(&value)) {
        return NarrowToInt16(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::optional<double> seconds = ReadWholeNumber(TrimBlanks(*text));
        if (!seconds) {
            throw Failure("Type mismatch");
        }
        return NarrowToInt16(*seconds);
    }
    return 0;
}

}  // namespace tavrix
