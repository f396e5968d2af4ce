// Any bytes given to the keyed-archive reader, with every built-in kind allowed, must come back as a
// value or an error, never a crash, a hang in a reference cycle or an escaped exception. Whatever reads
// back must archive again and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/RoundTrip.h"
#include "platform/foundation/KeyedArchive.h"

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::KeyedArchive;
using platform::foundation::Value;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  static const KeyedArchive::ClassSet everything = {KeyedArchive::kString, KeyedArchive::kNumber,
                                                    KeyedArchive::kData,   KeyedArchive::kDate,
                                                    KeyedArchive::kArray,  KeyedArchive::kDictionary,
                                                    KeyedArchive::kNull};
  Error error;
  Value value = KeyedArchive::unarchivedObject(everything, Data(bytes, bytes + size), &error);
  if (value.isNil()) {
    // A nil root is a valid archive; anything else that gives nil must say why.
    return 0;
  }
  // Some values that read fine cannot be written (a string holding a NUL), and say so.
  auto again = KeyedArchive::archivedData(value, &error);
  if (!again) return 0;
  Error reread;
  if (!ostrel::fuzz::sameAfterRoundTrip(value, KeyedArchive::unarchivedObject(everything, *again, &reread))) std::abort();
  return 0;
}
