#pragma once
// The host's VARIANTs as the portable check sees them, and error texts of
// HRESULTs for the "ERR: " results.

#include <windows.h>
// the COM headers build on windows.h
#include <oaidl.h>

#include <string>

#include "host/check_run.h"

namespace tavrix::com {

// Empty stays empty, numbers become double, text becomes Windows-1252; any
// other type goes through the system's conversion to text. Throws Failure
// with the system's description when that conversion fails (Null, objects
// without a default value, arrays).
PropertyValue ToPropertyValue(const VARIANT& value);

// The system's description of an HRESULT, without the trailing line break.
std::string HresultDescription(HRESULT hr);

}  // namespace tavrix::com
