#pragma once

#include <cstdint>
#include <vector>

class APMNanoMessage;

namespace sdk::analytics {

// Words of filter bits: filter f is bit f % 64 of word f / 64. A word that does not exist reads as
// 0, and a negative filter ID (only a damaged row can hold one) addresses no bit at all.
using APMResultWords = std::vector<std::uint64_t>;

bool APMResultBit(const APMResultWords& words, std::int32_t filterID);
// Grows the words with zeros as needed; a negative ID changes nothing.
void APMSetResultBit(APMResultWords& words, std::int32_t filterID, bool value);

// A repeated 64-bit field read and written as numbers.
APMResultWords APMGetResultWords(const APMNanoMessage& message, int index);
void APMSetResultWords(APMNanoMessage& message, int index, const APMResultWords& words);
std::vector<std::int64_t> APMGetInt64List(const APMNanoMessage& message, int index);
void APMSetInt64List(APMNanoMessage& message, int index, const std::vector<std::int64_t>& values);

}  // namespace sdk::analytics
