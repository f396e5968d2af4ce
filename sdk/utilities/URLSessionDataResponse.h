#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/net/URLSession.h"
#include "sdk/promises/Promise.h"

namespace sdk::utilities {

// What a promised data task fulfils with: the response head and the body.
class URLSessionDataResponse : public platform::foundation::Object {
 public:
  URLSessionDataResponse(platform::net::HTTPURLResponse response, platform::foundation::Data body)
      : HTTPResponse(std::move(response)), HTTPBody(std::move(body)) {}

  std::string description() const override;

  platform::net::HTTPURLResponse HTTPResponse;
  platform::foundation::Data HTTPBody;
};

// Runs a data task of `session` for `request`. The promise (observed on the default queue) rejects
// with the transport's error whenever there is one, response or not, and otherwise fulfils with a
// URLSessionDataResponse. The request's time-out limits the whole transfer, not only idle spells.
sdk::promises::Promise::Ptr dataTaskPromiseWithRequest(const std::shared_ptr<platform::net::URLSession>& session,
                                               const platform::net::URLRequest& request);

}  // namespace sdk::utilities

