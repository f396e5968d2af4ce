#include "sdk/analytics/rules/APMResultWords.h"

#include "sdk/analytics/foundation/APMNanoMessage.h"

namespace sdk::analytics {

bool APMResultBit(const APMResultWords& words, std::int32_t filterID) {
  if (filterID < 0) return false;
  std::size_t word = static_cast<std::size_t>(filterID) / 64;
  if (word >= words.size()) return false;
  return (words[word] >> (filterID % 64)) & 1u;
}

void APMSetResultBit(APMResultWords& words, std::int32_t filterID, bool value) {
  if (filterID < 0) return;
  std::size_t word = static_cast<std::size_t>(filterID) / 64;
  if (word >= words.size()) {
    if (!value) return;
    words.resize(word + 1, 0);
  }
  std::uint64_t bit = std::uint64_t{1} << (filterID % 64);
  words[word] = value ? (words[word] | bit) : (words[word] & ~bit);
}

APMResultWords APMGetResultWords(const APMNanoMessage& message, int index) {
  APMResultWords words;
  for (const auto& value : message.values(index)) {
    if (const auto* u = std::get_if<std::uint64_t>(&value)) {
      words.push_back(*u);
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
      words.push_back(static_cast<std::uint64_t>(*n));
    }
  }
  return words;
}

void APMSetResultWords(APMNanoMessage& message, int index, const APMResultWords& words) {
  auto& values = message.values(index);
  values.clear();
  for (std::uint64_t word : words) values.emplace_back(word);
}

std::vector<std::int64_t> APMGetInt64List(const APMNanoMessage& message, int index) {
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

void APMSetInt64List(APMNanoMessage& message, int index, const std::vector<std::int64_t>& values) {
  auto& stored = message.values(index);
  stored.clear();
  for (std::int64_t value : values) stored.emplace_back(value);
}

}  // namespace sdk::analytics
