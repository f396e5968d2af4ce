#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::net {

// What a TLS server presented (its certificate chain, leaf first, in DER) and what verifying it
// against the system's trusted certificates made of it, kept so a session delegate can judge it.
class ServerTrust {
 public:
  // The phone's trust results, by the numbers SDK code compares.
  enum class Result : int {
    Invalid = 0,
    Proceed = 1,
    Deny = 3,
    Unspecified = 4,  // trusted by the system's own rules
    RecoverableTrustFailure = 5,
    FatalTrustFailure = 6,
    OtherError = 7,
  };
  // `verifyResult` is OpenSSL's verification result for the chain (X509_V_OK when it verified).
  ServerTrust(std::string host, std::vector<foundation::Data> certificates, long verifyResult);

  const std::string& host() const { return host_; }
  const std::vector<foundation::Data>& certificates() const { return certificates_; }
  // OpenSSL's explanation of the chain's verification, "ok" when it verified.
  std::string verificationText() const;

  // Judges the trust as default handling would: the chain leads to a certificate the system trusts and
  // the leaf names the host. `status` is 0 unless there was nothing to judge (no certificate: -50).
  Result evaluate(int* status) const;

 private:
  std::string host_;
  std::vector<foundation::Data> certificates_;
  long verifyResult_;
};

inline constexpr const char* kURLAuthenticationMethodServerTrust = "NSURLAuthenticationMethodServerTrust";

// Where a challenge comes from: host, port, protocol, method and, for a server trust, the trust.
struct URLProtectionSpace {
  std::string host;
  int port = 0;
  std::string protocol;
  std::string authenticationMethod;
  std::shared_ptr<const ServerTrust> serverTrust;
};

// An answer to a challenge. For a server trust it names the trust being accepted.
struct URLCredential {
  // No credential for a trust without a certificate: there is nothing it could accept.
  static std::optional<URLCredential> credentialForTrust(const std::shared_ptr<const ServerTrust>& trust);
  std::shared_ptr<const ServerTrust> trust;
};

struct URLAuthenticationChallenge {
  URLProtectionSpace protectionSpace;
};

enum class URLSessionAuthChallengeDisposition {
  UseCredential = 0,           // accept the credential's trust for this connection
  PerformDefaultHandling = 1,  // verify as if nobody had been asked
  CancelAuthenticationChallenge = 2,  // end the task as cancelled
  // There is no other protection space to try for a server trust, so this is default handling too.
  RejectProtectionSpace = 3,
};

using URLChallengeCompletion = std::function<void(URLSessionAuthChallengeDisposition, std::optional<URLCredential>)>;

}  // namespace platform::net
