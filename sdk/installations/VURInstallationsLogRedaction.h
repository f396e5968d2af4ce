#pragma once

#include <string>

#include "platform/foundation/Value.h"
#include "platform/net/URLRequest.h"

// Debug lines of the installations service name what was sent and received without the secrets in
// it: the API key, the refresh token's authorization, the legacy token and the tokens in bodies.
std::string VURInstallationsRedactedRequest(const platform::net::URLRequest& request);
std::string VURInstallationsRedactedHeaders(const platform::net::HTTPHeaders& headers);
// A JSON body with every "token" and "refreshToken" value replaced; anything else by its size.
std::string VURInstallationsRedactedBody(const platform::foundation::Data& body);
