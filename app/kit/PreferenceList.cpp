#include "app/kit/PreferenceList.h"

#include "app/kit/UIConstants.h"

namespace app::kit {

const std::vector<AdapterObject>& PreferenceList::getprefList() {
  makeList();
  return prefList;
}

// The rows under "More Apps" would promote other products; there are none to name, so the heading
// stands alone.
void PreferenceList::makeList() {
  prefList.clear();
  prefList.emplace_back("Database Reset", "Reset the format database to factory settings", 1);
  prefList.emplace_back("Feedback", "The good, the bad and the ugly. We'd like to know!", 1);
  prefList.emplace_back("About Pellaro", "More Information", 1);
  prefList.emplace_back("More Apps", "", 0);
}

BasicPreferenceCell::BasicPreferenceCell(std::string reuseIdentifier)
    : TableViewCell(platform::ui::TableViewCellStyle::Default, std::move(reuseIdentifier)) {
  title = platform::ui::make<platform::ui::Label>(platform::ui::Rect{16, 8, 280, 22});
  title->setFont(UIConstants::mediumFontWithSize(14));
  title->setTextColor(UIConstants::contrastText());
  field = platform::ui::make<platform::ui::Label>(platform::ui::Rect{16, 30, 280, 18});
  field->setFont(UIConstants::romanFontWithSize(12));
  field->setTextColor(UIConstants::lowContrastText());
  contentView()->addSubview(title);
  contentView()->addSubview(field);
}

PreferenceCellType2::PreferenceCellType2(std::string reuseIdentifier) : BasicPreferenceCell(std::move(reuseIdentifier)) {
  button = platform::ui::make<platform::ui::Button>(platform::ui::ButtonType::System,
                                                    platform::ui::Rect{300, 10, 60, 36});
  contentView()->addSubview(button);
}

}  // namespace app::kit

