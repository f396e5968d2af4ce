#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// `text` percent-encoded for a URL query value: letters, digits and "-._~!$'()*,;:@/?" stay; every
// other byte, including "&", "=", "+" and "#" which would split or end the query, becomes %XX.
std::string percentEncoded(std::string_view text);
// Undoes percent-encoding; "+" stands for a space as HTML forms write it. A malformed escape stays.
std::string percentDecoded(std::string_view text);

// The dictionary as a URL query: "name=value" pairs in key order joined by "&", each value's
// description percent-encoded.
std::string queryString(const platform::foundation::Dictionary& dictionary);

// Splits "a=1&b=2" into its pairs, keys and values unescaped; a part without "=" has an empty value;
// when a key repeats, its first occurrence wins.
std::map<std::string, std::string> dictionaryFromQueryString(std::string_view query);

}  // namespace sdk::analytics

