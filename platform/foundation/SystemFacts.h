#pragma once

#include <optional>
#include <string>

namespace platform::foundation {

// What the phone's system would tell the SDK about the device and about how the app was installed.
// Linux answers none of these questions the way a phone does, so each fact is a process-wide setting with
// a default that describes a development install on this machine; the headless runner and tests replace
// them to walk the store, simulator and extension branches.
struct SystemFacts {
  // The system version text, as the device reports it (for example "17.4").
  std::string systemVersion = "17.4";
  // The hardware model: the machine field of uname(2) ("x86_64" here); empty when uname fails.
  std::optional<std::string> deviceModel;
  // Whether the main executable carries the store's encryption. Executables we build never do.
  bool executableEncrypted = false;
  // Last path component of the store receipt: "receipt" for store installs, "sandboxReceipt" for test
  // installs.
  std::string storeReceiptName = "receipt";
  // Whether the system says this is a phone app running on a desktop host.
  bool phoneAppOnDesktop = false;
  // Whether the person chose the system's dark appearance.
  bool darkAppearance = false;

  // The facts of this machine: uname's machine field and the defaults above. Computed once.
  static const SystemFacts& defaults();
  // The facts in force now (a copy, safe to keep while another thread replaces them).
  static SystemFacts current();
  static void setCurrent(SystemFacts facts);
  // Back to defaults().
  static void reset();
};

// Puts facts in force for a scope and restores the ones it replaced; for tests.
class ScopedSystemFacts {
 public:
  explicit ScopedSystemFacts(SystemFacts facts);
  ~ScopedSystemFacts();
  ScopedSystemFacts(const ScopedSystemFacts&) = delete;
  ScopedSystemFacts& operator=(const ScopedSystemFacts&) = delete;

 private:
  SystemFacts previous_;
};

}  // namespace platform::foundation
