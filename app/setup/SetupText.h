#pragma once

#include <string>

#include "app/model/NumericText.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

// The setup screens' texts in the user's language.
inline std::string localized(const char* key) { return platform::ui::LocalizedStrings::localizedString(key); }

// A number as the setup lists show it: decimal commas written as points.
inline std::string dotted(const std::string& text) { return app::model::NumericText::replacingAll(text, ",", "."); }

}  // namespace app::setup

