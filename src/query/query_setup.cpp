#include "query/query_setup.h"

#include "query/df_parser.h"
#include "query/query_state.h"

namespace tavrix {

namespace {

void SetUpQuery(const QueryInputs& inputs, const std::string& resource) {
    gHostname = inputs.hostname;
    gTimeout = inputs.timeout;
    gPort = inputs.port;
    gUsername = inputs.username;
    gPassword = inputs.password.Text();
    gKeyfile = inputs.keyfile;
    gKeyType = inputs.keyType;
    if (inputs.protocol) {
        gProtocol = *inputs.protocol;
    }
    if (inputs.os) {
        gOS = *inputs.os;
    }
    gEOL = inputs.eol;
    gResource = resource;
    gHostKey = inputs.hostKey;
    gDfRequest = inputs.dfRequest;

    gExpectHeader = true;
    gHasTypeColumn = false;
    gFirstLine.clear();
    gInodes = InodeListing{};
    ResetMountRecords();
    gDisconnected = false;
    gErrorText.clear();
    gOfferedHostKey.clear();
}

}  // namespace

MissingLogin FindMissingLogin(std::string_view username, std::string_view password,
                              std::string_view keyfile) {
    if (username.empty()) {
        return MissingLogin::Username;
    }
    if (keyfile.empty() && password.empty()) {
        return MissingLogin::Password;
    }
    return MissingLogin::None;
}

void SetUpCheckQuery(const QueryInputs& inputs) {
    SetUpQuery(inputs, inputs.allMounts ? std::string() : inputs.resource);
}

void SetUpListingQuery(const QueryInputs& inputs) {
    SetUpQuery(inputs, {});
}

}  // namespace tavrix
