#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::testing {

// A private key and a self-signed certificate made on the spot with OpenSSL, for a loopback TLS
// server. No certificate authority the system knows signed it, so a client that verifies peers
// refuses it unless told to trust it.
class TlsIdentity {
 public:
  // A certificate for `commonName`, valid from an hour ago for a day, naming 127.0.0.1 and localhost
  // as the hosts it serves.
  static std::shared_ptr<const TlsIdentity> selfSigned(const std::string& commonName = "ostrel loopback");

  const std::string& certificatePEM() const { return certificatePEM_; }
  const std::string& privateKeyPEM() const { return privateKeyPEM_; }
  // The certificate in DER, as a client sees it on the wire.
  const std::vector<std::uint8_t>& certificateDER() const { return certificateDER_; }

 private:
  std::string certificatePEM_;
  std::string privateKeyPEM_;
  std::vector<std::uint8_t> certificateDER_;
};

}  // namespace ostrel::testing
