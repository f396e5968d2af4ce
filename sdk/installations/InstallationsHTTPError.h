#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/log/OwnText.h"
#include "platform/net/URLRequest.h"

namespace sdk::installations {

// The service's answer with a status outside 200-299: its head and its whole body. An error made from
// it carries it, so a caller can read the status; it is archived with its head under "HTTPResponse"
// and its body under "data", and an archive without a head reads as nothing.
class InstallationsHTTPError final : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "VURInstallationsHTTPError";
  // The error's user-info key that holds this object.
  static constexpr const char* kUserInfoKey = "VURInstallationsHTTPError";
  // The failure reason, which ends up in log lines, quotes only the first kQuotedBodyBytes of the body.
  static constexpr std::size_t kQuotedBodyBytes = 300;

  InstallationsHTTPError(platform::net::HTTPURLResponse response, platform::foundation::Data data)
      : HTTPResponse(std::move(response)), data(std::move(data)) {}

  platform::net::HTTPURLResponse HTTPResponse;
  platform::foundation::Data data;

  // What went wrong, in lines of the product's own: the URL, the status and the body the service sent,
  // which is quoted with its control characters written out, so that it stays within its line in the
  // log and wherever else the reason is shown.
  platform::log::OwnText failureReason() const;
  // Code 0 of the installations domain, with the failure reason and this reply.
  platform::foundation::Error error() const;
  // The reply `error` carries; nullptr for any other error.
  static std::shared_ptr<const InstallationsHTTPError> of(const platform::foundation::Error& error);

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override;
  static std::shared_ptr<InstallationsHTTPError> initWithCoder(platform::foundation::KeyedUnarchiver& coder);
  // Registers this class and the response's with the keyed archive (once).
  static void registerArchiveClasses();

  std::string description() const override;
  bool isEqual(const platform::foundation::Object& other) const override;
};

}  // namespace sdk::installations
