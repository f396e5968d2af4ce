#pragma once

#include <cstdint>
#include <vector>

namespace sdk::analytics {

class NanoMessage;

// Words of filter bits: filter f is bit f % 64 of word f / 64. A word that does not exist reads as
// 0, and a negative filter ID (only a damaged row can hold one) addresses no bit at all.
using ResultWords = std::vector<std::uint64_t>;

bool resultBit(const ResultWords& words, std::int32_t filterID);
// Grows the words with zeros as needed; a negative ID changes nothing.
void setResultBit(ResultWords& words, std::int32_t filterID, bool value);

// A repeated 64-bit field read and written as numbers.
ResultWords getResultWords(const NanoMessage& message, int index);
void setResultWords(NanoMessage& message, int index, const ResultWords& words);
std::vector<std::int64_t> getInt64List(const NanoMessage& message, int index);
void setInt64List(NanoMessage& message, int index, const std::vector<std::int64_t>& values);

}  // namespace sdk::analytics

