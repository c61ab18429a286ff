#pragma once
// libssh's headers, included in one place. On Windows they bring in
// <windows.h>, whose SetPort macro (winspool.h) would rename
// SshClient::SetPort in some files and not in others.

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#endif

#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#ifdef SetPort
#undef SetPort
#endif
