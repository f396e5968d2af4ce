#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace sdk::analytics {

class ExperimentsSDKProperty;
class ProtoClientProperty;

// Lets an SDK add custom properties that change between requests.
class ExperimentsSDKPropertyProviderDelegate {
 public:
  virtual ~ExperimentsSDKPropertyProviderDelegate() = default;
  virtual std::map<std::string, std::string> dynamicCustomPropertiesForSDKProperty(const ExperimentsSDKProperty& property) {
    (void)property;
    return {};
  }
};

// What an SDK tells the experiments service about itself when it registers.
class ExperimentsSDKProperty {
 public:
  explicit ExperimentsSDKProperty(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  std::int64_t version = 0;
  std::string appID;
  std::string diversionKey;
  std::map<std::string, std::string> customProperties;
  std::weak_ptr<ExperimentsSDKPropertyProviderDelegate> delegate;

  // The client property of the request; the diversion ID hashes the diversion key, else the app
  // instance ID, with the SDK name. Nothing (logged) when there is neither.
  std::shared_ptr<ProtoClientProperty> proto(const std::optional<std::string>& appInstanceID) const;

 private:
  std::string name_;
};

}  // namespace sdk::analytics

