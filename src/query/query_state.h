#pragma once
// The state of the one remote query a thread runs at a time. Per thread, as a
// COM apartment sees it: queries on different threads never meet.

#include <cstdint>
#include <string>
#include <vector>

#include "query/df_command.h"
#include "query/inode_listing.h"
#include "query/mount_record.h"

namespace tavrix {

// Inputs, filled by the caller before Get_mount_list.
extern thread_local std::string gHostname;
extern thread_local std::int16_t gPort;
extern thread_local std::string gUsername;
extern thread_local std::string gPassword;  // also the key file's pass phrase
extern thread_local std::string gKeyfile;
extern thread_local std::string gKeyType;
extern thread_local std::string gOS;
extern thread_local std::string gProtocol;
extern thread_local std::int16_t gTimeout;
// The pinned host key, "<key type> SHA256:<hash>"; empty: any key is accepted.
extern thread_local std::string gHostKey;
// The command line's extras (type column, inode df); the COM path asks none.
extern thread_local DfRequest gDfRequest;

// Parser settings and results.
extern thread_local std::string gResource;  // the wanted mount; empty keeps every line
extern thread_local std::string gEOL;
extern thread_local bool gExpectHeader;
extern thread_local bool gHasTypeColumn;
extern thread_local std::vector<MountRecord> gMountRecords;
extern thread_local std::int16_t gMountCount;
extern thread_local std::string gFirstLine;  // the header line, shown by the settings form
// The 16-bit record count was full and later data lines were not parsed.
extern thread_local bool gRecordLimitReached;

// Inode figures of an inode df (gDfRequest.withInodes); cleared per query.
extern thread_local InodeListing gInodes;

// Outcome.
extern thread_local bool gDisconnected;
extern thread_local std::string gErrorText;
// The host key the server offered in this query, in the pin's form; empty
// until the handshake got that far.
extern thread_local std::string gOfferedHostKey;

}  // namespace tavrix
