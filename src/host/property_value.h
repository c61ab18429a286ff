#pragma once
// A host property as the portable side sees a VARIANT, and the conversions the
// check run applies to the host's properties.

#include <cstdint>
#include <string>
#include <variant>

namespace tavrix {

// Empty, a number or text.
using PropertyValue = std::variant<std::monostate, double, std::string>;

std::string PropertyText(const PropertyValue& value);

// kx_timeout as the whole seconds of gTimeout: empty is 0, a number is rounded
// half to even, a text must be a number once trimmed. Throws Failure ("Type
// mismatch", "Overflow").
std::int16_t TimeoutSeconds(const PropertyValue& value);

}  // namespace tavrix
