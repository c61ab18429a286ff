#pragma once
// The "..." button of the settings form: lists the machine's mounts with the
// connection data entered so far and lets the user pick one into txtResource.

#include <string>
#include <string_view>
#include <vector>

#include "dialog/dialog_toolkit.h"
#include "dialog/mount_picker.h"
#include "host/parameter_string.h"
#include "query/query_setup.h"
#include "query/remote_query.h"

namespace tavrix {

// The warning of a listing whose server shows another key than the pinned
// one; Yes trusts the new key.
std::string HostKeyChangedQuestion(std::string_view host, std::string_view pin,
                                   std::string_view offered);

// The form's values as the inputs of a listing of every mount. Throws Failure
// ("Type mismatch" for a time-out that is not a number, "Overflow" for a
// time-out or port beyond 16 bits).
QueryInputs ListingInputs(const FormValues& values, std::string_view hostname,
                          std::string_view timeout);

// The Mount of every record of the finished query, in output order; a record
// the parser left empty gives an empty line.
std::vector<std::string> ListedMounts();

// The whole listing, on the loaded settings form. Every failure ends as a
// message box; nothing is thrown (it runs inside the dialog's message loop).
void ListMounts(DialogToolkit& toolkit, RemoteQuery& query, MountPicker& picker);

}  // namespace tavrix
