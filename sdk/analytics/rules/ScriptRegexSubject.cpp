#include "sdk/analytics/rules/ScriptRegexSubject.h"

#include <algorithm>
#include <cstring>

namespace sdk::analytics {

const UTextFuncs ScriptRegexSubject::kFunctions = [] {
  UTextFuncs functions{};
  functions.tableSize = sizeof(UTextFuncs);
  functions.clone = clone;
  functions.nativeLength = nativeLength;
  functions.access = access;
  functions.extract = extract;
  functions.mapOffsetToNative = mapOffsetToNative;
  functions.mapNativeIndexToUTF16 = mapNativeIndexToUTF16;
  return functions;
}();

ScriptRegexSubject::ScriptRegexSubject(const std::u16string& text, std::function<bool()> charge)
    : units_(text), charge_(std::move(charge)) {
  UErrorCode status = U_ZERO_ERROR;
  utext_setup(&text_, 0, &status);
  text_.pFuncs = &kFunctions;
  text_.context = this;
  text_.chunkContents = units_.data();
}

ScriptRegexSubject::~ScriptRegexSubject() { utext_close(&text_); }

void ScriptRegexSubject::showChunk(UText& text, std::int64_t start, std::int64_t index) const {
  const auto length = static_cast<std::int64_t>(units_.size());
  start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(length - kChunkUnits, 0));
  const auto limit = std::min(start + kChunkUnits, length);
  text.chunkContents = units_.data() + start;
  text.chunkNativeStart = start;
  text.chunkNativeLimit = limit;
  text.chunkLength = static_cast<int32_t>(limit - start);
  text.nativeIndexingLimit = text.chunkLength;
  text.chunkOffset = static_cast<int32_t>(index - start);
}

// An empty chunk at the end: every read gives nothing and every position is the text's end, so a
// comparison or a scan under way stops at once.
void ScriptRegexSubject::showEnd(UText& text) const {
  const auto length = static_cast<std::int64_t>(units_.size());
  text.chunkContents = units_.data() + length;
  text.chunkNativeStart = length;
  text.chunkNativeLimit = length;
  text.chunkLength = 0;
  text.nativeIndexingLimit = 0;
  text.chunkOffset = 0;
}

UBool ScriptRegexSubject::access(UText* text, int64_t index, UBool forward) {
  auto& subject = *static_cast<ScriptRegexSubject*>(const_cast<void*>(text->context));
  if (subject.refused_ || !subject.charge_()) {
    subject.refused_ = true;
    subject.showEnd(*text);
    return false;
  }
  const auto length = static_cast<std::int64_t>(subject.units_.size());
  index = std::clamp<std::int64_t>(index, 0, length);
  // Reading forward, the chunk starts at the index; backward, it ends there.
  subject.showChunk(*text, forward ? index : index - kChunkUnits, index);
  return forward ? index < length : index > 0;
}

UText* ScriptRegexSubject::clone(UText* destination, const UText* source, UBool deep, UErrorCode* status) {
  if (U_FAILURE(*status)) return destination;
  if (deep) {
    *status = U_UNSUPPORTED_ERROR;
    return destination;
  }
  destination = utext_setup(destination, 0, status);
  if (U_FAILURE(*status)) return destination;
  destination->providerProperties = source->providerProperties;
  destination->pFuncs = source->pFuncs;
  destination->context = source->context;
  destination->chunkContents = source->chunkContents;
  destination->chunkNativeStart = source->chunkNativeStart;
  destination->chunkNativeLimit = source->chunkNativeLimit;
  destination->chunkLength = source->chunkLength;
  destination->chunkOffset = source->chunkOffset;
  destination->nativeIndexingLimit = source->nativeIndexingLimit;
  return destination;
}

int64_t ScriptRegexSubject::nativeLength(UText* text) {
  return static_cast<int64_t>(static_cast<const ScriptRegexSubject*>(text->context)->units_.size());
}

int32_t ScriptRegexSubject::extract(UText* text, int64_t start, int64_t limit, UChar* destination, int32_t capacity,
                                    UErrorCode* status) {
  if (U_FAILURE(*status)) return 0;
  const auto& units = static_cast<const ScriptRegexSubject*>(text->context)->units_;
  const auto length = static_cast<int64_t>(units.size());
  start = std::clamp<int64_t>(start, 0, length);
  limit = std::clamp<int64_t>(limit, start, length);
  const auto count = static_cast<int32_t>(limit - start);
  std::memcpy(destination, units.data() + start, static_cast<std::size_t>(std::min(count, capacity)) * sizeof(UChar));
  if (count > capacity) *status = U_BUFFER_OVERFLOW_ERROR;
  else if (count < capacity) destination[count] = 0;
  else *status = U_STRING_NOT_TERMINATED_WARNING;
  return count;
}

int64_t ScriptRegexSubject::mapOffsetToNative(const UText* text) { return text->chunkNativeStart + text->chunkOffset; }

int32_t ScriptRegexSubject::mapNativeIndexToUTF16(const UText* text, int64_t index) {
  return static_cast<int32_t>(index - text->chunkNativeStart);
}

}  // namespace sdk::analytics
