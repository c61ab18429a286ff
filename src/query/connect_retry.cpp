#include "query/connect_retry.h"

namespace tavrix {

bool WorthRetrying(ConnectStage stage, ConnectFailure failure) {
    if (failure != ConnectFailure::kClosedByServer) {
        return false;
    }
    return stage == ConnectStage::kVersionExchange || stage == ConnectStage::kKeyExchange;
}

}  // namespace tavrix
