#pragma once

#include <memory>
#include <string>

#include "platform/foundation/KeyedArchive.h"
#include "platform/net/URLRequest.h"

namespace platform::net {

// The head of an HTTP response as a keyed archive holds it (an error that carries a reply is archived
// with it): the final URL, the status and the header fields in their order.
class ArchivedHTTPURLResponse final : public foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "HTTPURLResponse";

  explicit ArchivedHTTPURLResponse(HTTPURLResponse response) : response(std::move(response)) {}

  HTTPURLResponse response;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
  // Refuses header fields that are not pairs of texts.
  static std::shared_ptr<ArchivedHTTPURLResponse> initWithCoder(foundation::KeyedUnarchiver& coder);
  // Registers the archive class with the keyed archive (once).
  static void registerArchiveClass();
};

}  // namespace platform::net
