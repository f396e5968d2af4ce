#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

namespace app::kit {

// One row of the preference list: title, explanatory line and cell type (0 the "More Apps" heading,
// 1 a preference row, 2 a row under "More Apps").
class AdapterObject {
 public:
  AdapterObject() = default;
  AdapterObject(std::string title, std::string field, int cellType)
      : title(std::move(title)), field(std::move(field)), cellType(cellType) {}
  std::string title;
  std::string field;
  int cellType = 0;
  bool operator==(const AdapterObject&) const = default;
};

// A fixed list of preference rows; no screen shows it yet.
class PreferenceList {
 public:
  // Rebuilds the rows and returns them.
  const std::vector<AdapterObject>& getprefList();
  void makeList();

  std::vector<AdapterObject> prefList;
  int modus = 0;
  std::vector<platform::foundation::Value> primeLenses;
};

// Cells that could show such rows: labels for the title and the explanatory line.
class BasicPreferenceCell : public platform::ui::TableViewCell {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "BasicQuorvelCell";
  std::string className() const override { return classNameKeeping("BasicPreferenceCell", kRuntimeClassName); }

  std::shared_ptr<platform::ui::Label> title;
  std::shared_ptr<platform::ui::Label> field;

 protected:
  explicit BasicPreferenceCell(std::string reuseIdentifier = "BasicQuorvelCell");
};

class CalibrationPrefCellBasic : public BasicPreferenceCell {
 protected:
  explicit CalibrationPrefCellBasic(std::string reuseIdentifier = "CalibrationPrefCellBasic")
      : BasicPreferenceCell(std::move(reuseIdentifier)) {}
};

class PreferenceCellType2 : public BasicPreferenceCell {
 public:
  std::shared_ptr<platform::ui::Button> button;

 protected:
  explicit PreferenceCellType2(std::string reuseIdentifier = "PreferenceCellType2");
};

}  // namespace app::kit

