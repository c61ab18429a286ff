#include "query/query_state.h"

namespace tavrix {

thread_local std::string gHostname;
thread_local std::int16_t gPort = 0;
thread_local std::string gUsername;
thread_local std::string gPassword;
thread_local std::string gKeyfile;
thread_local std::string gKeyType;
thread_local std::string gOS;
thread_local std::string gProtocol;
thread_local std::int16_t gTimeout = 0;
thread_local std::string gHostKey;
thread_local DfRequest gDfRequest;

thread_local std::string gResource;
thread_local std::string gEOL;
thread_local bool gExpectHeader = true;
thread_local bool gHasTypeColumn = false;
thread_local std::vector<MountRecord> gMountRecords(1);
thread_local std::int16_t gMountCount = 0;
thread_local std::string gFirstLine;
thread_local bool gRecordLimitReached = false;
thread_local InodeListing gInodes;

thread_local bool gDisconnected = false;
thread_local std::string gErrorText;
thread_local std::string gOfferedHostKey;

}  // namespace tavrix
