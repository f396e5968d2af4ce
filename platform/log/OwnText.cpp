#include "platform/log/OwnText.h"

#include "platform/log/Log.h"

namespace platform::log {

OwnText::OwnText(std::string_view text) : text_(escapedControlCharacters(text, LineFeeds::Kept)) {}

}  // namespace platform::log
