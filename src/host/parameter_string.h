#pragma once
// The parameter string: "#KEY=value" entries in which the host stores a check.

#include <string>
#include <string_view>

#include "query/query_setup.h"

namespace tavrix {

// The value of the first entry with `key` (any letter case), in its own case;
// empty when there is none. Never fails. Letter case is compared the way the
// Windows hosts upper-case Windows-1252 (accented letters too), byte for byte.
std::string GetKeyValue(std::string_view parameters, std::string_view key);

// The query's login, command and parser settings as a check reads them: the
// values as stored, the password decoded, PORT rounded to 16 bits. The host
// name and time-out are the host's own and stay empty. Throws Failure for a
// password that does not decode and for a port beyond 16 bits.
QueryInputs QueryInputsFromParameters(std::string_view parameters);

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
    std::string hostKey;  // the pinned host key; empty: not checked
};

// Builds the 14-entry string in the template's order, and the HKEY entry after
// them when a host key is pinned; an empty compareValue is written as "0".
// Throws Failure naming the field when the port or the threshold holds no
// number or anything after it ("2,5"), when the port (rounded half to even and
// written whole: "22.6" -> 23) lies outside 0..32767 (the check run reads PORT
// as a 16-bit number; 0 stands for 22), when the user name, key file or mount
// holds "#", or when the host key is not a pin, so that nothing the check run
// would misread is ever written.
std::string BuildParameterString(const FormValues& values);

}  // namespace tavrix
