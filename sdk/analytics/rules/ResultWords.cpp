#include "sdk/analytics/rules/ResultWords.h"

#include "sdk/analytics/foundation/NanoMessage.h"

namespace sdk::analytics {

bool resultBit(const ResultWords& words, std::int32_t filterID) {
  if (filterID < 0) return false;
  std::size_t word = static_cast<std::size_t>(filterID) / 64;
  if (word >= words.size()) return false;
  return (words[word] >> (filterID % 64)) & 1u;
}

void setResultBit(ResultWords& words, std::int32_t filterID, bool value) {
  if (filterID < 0) return;
  std::size_t word = static_cast<std::size_t>(filterID) / 64;
  if (word >= words.size()) {
    if (!value) return;
    words.resize(word + 1, 0);
  }
  std::uint64_t bit = std::uint64_t{1} << (filterID % 64);
  words[word] = value ? (words[word] | bit) : (words[word] & ~bit);
}

ResultWords getResultWords(const NanoMessage& message, int index) {
  ResultWords words;
  for (const auto& value : message.values(index)) {
    if (const auto* u = std::get_if<std::uint64_t>(&value)) {
      words.push_back(*u);
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
      words.push_back(static_cast<std::uint64_t>(*n));
    }
  }
  return words;
}

void setResultWords(NanoMessage& message, int index, const ResultWords& words) {
  std::vector<NanoMessage::Scalar> values;
  values.reserve(words.size());
  for (std::uint64_t word : words) values.emplace_back(word);
  message.setValues(index, std::move(values));
}

std::vector<std::int64_t> getInt64List(const NanoMessage& message, int index) {
  std::vector<std::int64_t> list;
  for (const auto& value : message.values(index)) {
    if (const auto* n = std::get_if<std::int64_t>(&value)) {
      list.push_back(*n);
    } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
      list.push_back(static_cast<std::int64_t>(*u));
    }
  }
  return list;
}

void setInt64List(NanoMessage& message, int index, const std::vector<std::int64_t>& values) {
  std::vector<NanoMessage::Scalar> stored;
  stored.reserve(values.size());
  for (std::int64_t value : values) stored.emplace_back(value);
  message.setValues(index, std::move(stored));
}

}  // namespace sdk::analytics

