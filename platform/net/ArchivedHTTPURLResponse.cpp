#include "platform/net/ArchivedHTTPURLResponse.h"

#include <mutex>

namespace platform::net {

using foundation::Array;
using foundation::KeyedArchive;
using foundation::Value;

void ArchivedHTTPURLResponse::encodeWithCoder(foundation::KeyedArchiver& coder) const {
  coder.encodeObject(Value(response.url), "URL");
  coder.encodeInt64(response.statusCode, "statusCode");
  Array fields;
  for (const auto& [name, value] : response.allHeaderFields.fields()) fields.push_back(Value(Array{name, value}));
  coder.encodeObject(Value(std::move(fields)), "headerFields");
}

std::shared_ptr<ArchivedHTTPURLResponse> ArchivedHTTPURLResponse::initWithCoder(foundation::KeyedUnarchiver& coder) {
  HTTPURLResponse response;
  response.url = coder.decodeString("URL").value_or("");
  response.statusCode = coder.decodeInt64("statusCode");
  const Value fields = coder.decodeObjectOfClasses({KeyedArchive::kArray, KeyedArchive::kString}, "headerFields");
  if (coder.failed()) return nullptr;
  for (std::size_t i = 0; fields.isArray() && i < fields.array()->size(); ++i) {
    const Value& field = fields.at(i);
    if (!field.isArray() || field.array()->size() != 2 || !field.at(0).isString() || !field.at(1).isString()) {
      coder.failWithError(foundation::Error::make(KeyedArchive::kErrorDomain, KeyedArchive::kReadCorruptError,
                                                  "A header field of an HTTP response is not a name and a value."));
      return nullptr;
    }
    response.allHeaderFields.add(*field.at(0).string(), *field.at(1).string());
  }
  return std::make_shared<ArchivedHTTPURLResponse>(std::move(response));
}

void ArchivedHTTPURLResponse::registerArchiveClass() {
  static std::once_flag once;
  std::call_once(once, [] { KeyedArchive::registerClass<ArchivedHTTPURLResponse>(); });
}

}  // namespace platform::net
