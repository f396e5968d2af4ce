#pragma once

#include <functional>
#include <memory>
#include <optional>
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

// Told, on the session's queue, of a reply whose head came, with the error that cut its body short if
// one did.
using ReplyHeadHandler =
    std::function<void(const platform::net::HTTPURLResponse&, const std::optional<platform::foundation::Error>&)>;

// Runs a data task of `session` for `request`. The promise (observed on the default queue) fulfils with
// a URLSessionDataResponse; it rejects with the transport's error whenever there is one, response or
// not, unless `headCame` is given: then a reply whose head came is the answer, told to `headCame` before
// the promise fulfils, with an empty body when its body failed. With `successHead`, a success is the
// answer as soon as its head has come: told there first, on the session's queue, its body is then given
// only URLSession::kBodySecondsAfterSuccessHead before the promise settles. The request's time-out
// limits the whole transfer, not only idle spells.
sdk::promises::Promise::Ptr dataTaskPromiseWithRequest(const std::shared_ptr<platform::net::URLSession>& session,
                                               const platform::net::URLRequest& request,
                                               ReplyHeadHandler headCame = {},
                                               platform::net::URLSessionTask::SuccessHeadHandler successHead = {});

}  // namespace sdk::utilities

