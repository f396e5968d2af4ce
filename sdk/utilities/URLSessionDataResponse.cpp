#include "sdk/utilities/URLSessionDataResponse.h"

#include "platform/foundation/Format.h"

namespace sdk::utilities {

std::string URLSessionDataResponse::description() const {
  return platform::foundation::format("<VDUURLSessionDataResponse %p> %lld %@ (%zu bytes)", this,
                                      static_cast<long long>(HTTPResponse.statusCode), HTTPResponse.url, HTTPBody.size());
}

sdk::promises::Promise::Ptr dataTaskPromiseWithRequest(const std::shared_ptr<platform::net::URLSession>& session,
                                               const platform::net::URLRequest& request, ReplyHeadHandler headCame,
                                               platform::net::URLSessionTask::SuccessHeadHandler successHead) {
  return sdk::promises::Promise::async([session, request, headCame = std::move(headCame),
                                        successHead = std::move(successHead)](
                                           sdk::promises::Promise::FulfillBlock fulfill,
                                           sdk::promises::Promise::RejectBlock reject) {
    auto task = session->dataTaskWithRequest(
        request, [fulfill, reject, headCame](std::optional<platform::net::HTTPURLResponse> response,
                                             platform::foundation::Data body,
                                             std::optional<platform::foundation::Error> error) {
          if (error && (!response || !headCame)) return reject(*error);
          if (headCame) headCame(*response, error);
          if (error) body.clear();
          auto result = std::make_shared<URLSessionDataResponse>(response.value_or(platform::net::HTTPURLResponse{}),
                                                                     std::move(body));
          fulfill(platform::foundation::Value(result));
        });
    if (!task) {
      return reject(platform::net::makeURLError(platform::net::URLErrorUnknown, "The session is invalidated", request.url));
    }
    // The request's own time-out bounds the whole transfer: a server trickling a byte now and then
    // would otherwise keep the promise pending for the session's week.
    task->setTimeoutIntervalForResource(request.timeoutInterval);
    if (successHead) task->setSuccessHeadHandler(successHead);
    task->resume();
  });
}

}  // namespace sdk::utilities

