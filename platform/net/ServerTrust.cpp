#include "platform/net/ServerTrust.h"

#include <arpa/inet.h>

#include "platform/net/CurlLibrary.h"

namespace platform::net {
namespace {

bool isAddress(const std::string& host) {
  unsigned char buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

bool leafNamesHost(const foundation::Data& der, const std::string& host) {
  const CurlLibrary* tls = CurlLibrary::load();
  if (!tls) return false;  // nothing can vouch for the name
  const unsigned char* bytes = der.data();
  X509* leaf = tls->certificateFromDer(nullptr, &bytes, static_cast<long>(der.size()));
  if (!leaf) return false;
  bool names = isAddress(host) ? tls->certificateNamesAddress(leaf, host.c_str(), 0) == 1
                               : tls->certificateNamesHost(leaf, host.c_str(), host.size(), 0, nullptr) == 1;
  tls->freeCertificate(leaf);
  return names;
}

}  // namespace

ServerTrust::ServerTrust(std::string host, std::vector<foundation::Data> certificates, long verifyResult)
    : host_(std::move(host)), certificates_(std::move(certificates)), verifyResult_(verifyResult) {}

std::string ServerTrust::verificationText() const {
  std::string unavailable;
  const CurlLibrary* tls = CurlLibrary::load(&unavailable);
  return tls ? tls->verificationText(verifyResult_) : unavailable;
}

ServerTrust::Result ServerTrust::evaluate(int* status) const {
  if (status) *status = 0;
  if (certificates_.empty()) {
    if (status) *status = -50;  // nothing was presented to judge
    return Result::Invalid;
  }
  if (verifyResult_ != X509_V_OK || !leafNamesHost(certificates_.front(), host_)) return Result::RecoverableTrustFailure;
  return Result::Unspecified;
}

std::optional<URLCredential> URLCredential::credentialForTrust(const std::shared_ptr<const ServerTrust>& trust) {
  if (!trust || trust->certificates().empty()) return std::nullopt;
  return URLCredential{trust};
}

}  // namespace platform::net
