#pragma once
// What regsvr32 writes and removes: the class under its CLSID, the two
// ProgIDs and the type library.

#include <windows.h>

namespace tavrix::com {

HRESULT RegisterServer();
// Removes every key RegisterServer writes; keys already gone are no failure.
HRESULT UnregisterServer();

}  // namespace tavrix::com
