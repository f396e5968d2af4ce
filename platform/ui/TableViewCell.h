#pragma once

#include <memory>
#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace platform::ui {

enum class TableViewCellStyle { Default };
enum class TableViewCellSelectionStyle { None, Default };

// A row of a table. Its subviews go into the content view, which the table slides aside to show swipe
// actions. A cell keeps its reuse identifier for life; the table hands it out again through
// dequeueReusableCell once it scrolled away. Subclasses restyle themselves in setHighlighted and
// setSelected, calling the base first.
class TableViewCell : public View {
 public:
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  const std::shared_ptr<View>& contentView() const { return contentView_; }
  // A label inside the content view, made on first use.
  const std::shared_ptr<Label>& textLabel();

  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated);
  void setSelected(bool selected) { setSelected(selected, false); }
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated);
  void setHighlighted(bool highlighted) { setHighlighted(highlighted, false); }
  TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(TableViewCellSelectionStyle style);

  // Called before the table hands the cell out again.
  virtual void prepareForReuse() {}

  // The hairline along the bottom edge; the table sets its colour.
  void setSeparator(std::optional<Color> color);

 protected:
  explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default, std::string reuseIdentifier = "");
  void layoutSubviews() override;

 private:
  void updateSelectionLook();

  std::string reuseIdentifier_;
  std::shared_ptr<View> selectionBackground_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_;
  std::shared_ptr<View> separator_;
  bool selected_ = false;
  bool highlighted_ = false;
  TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Default;
};

}  // namespace platform::ui
