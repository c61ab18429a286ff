#pragma once
// The parameter string: "#KEY=value" entries in which the host stores a check.

#include <string>
#include <string_view>

namespace tavrix {

// The value of the first entry with `key` (any letter case), in its own case;
// empty when there is none. Never fails.
std::string GetKeyValue(std::string_view parameters, std::string_view key);

// The settings as the settings form holds them: texts and list positions
// (-1 when the user typed into a combo box and no entry is chosen).
struct FormValues {
    std::string username;
    std::string password;
    int protocolIndex = 2;
    std::string port = "22";
    std::string keyfile;
    int keyTypeIndex = 0;
    int osIndex = 0;
    int blockSizeIndex = 2;
    std::string resource;
    int unitIndex = 0;
    std::string compareValue;  // an empty threshold is written as (and set to) "0"
    int eolIndex = 1;
    bool returnAsNumber = false;
};

// Builds the 14-entry string in the template's order. Sets an empty
// compareValue to "0" first, as the form does. Throws Failure naming the field
// when the port or the threshold holds no number, so that nothing the check
// run would misread is ever written.
std::string BuildParameterString(FormValues& values);

}  // namespace tavrix
