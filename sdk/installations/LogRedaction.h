#pragma once

#include <string>

#include "platform/foundation/Value.h"
#include "platform/net/URLRequest.h"

namespace sdk::installations {

// Debug lines of the installations service name what was sent and received without the secrets in
// it: the API key, the refresh token's authorization, the legacy token and the tokens in bodies.
std::string redactedRequest(const platform::net::URLRequest& request);
std::string redactedHeaders(const platform::net::HTTPHeaders& headers);
// A JSON body with every "token" and "refreshToken" value replaced; anything else by its size.
std::string redactedBody(const platform::foundation::Data& body);

}  // namespace sdk::installations

