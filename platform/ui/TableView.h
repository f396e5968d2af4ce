#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Forward.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/ScrollView.h"

namespace platform::ui {

class TableView;

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual std::int64_t numberOfSectionsInTableView(TableView&) { return 1; }
  virtual std::int64_t tableViewNumberOfRowsInSection(TableView&, std::int64_t section) = 0;
  // Null leaves the row empty.
  virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, const IndexPath&) = 0;
  // The titles of the index strip along the right edge; none shows no strip.
  virtual std::vector<std::string> sectionIndexTitlesForTableView(TableView&) { return {}; }
  virtual std::int64_t tableViewSectionForSectionIndexTitleAtIndex(TableView&, const std::string&, std::int64_t index) {
    return index;
  }
  // Rows that cannot be edited offer no swipe actions.
  virtual bool tableViewCanEditRowAtIndexPath(TableView&, const IndexPath&) { return true; }
};

// All optional. Selection calls come only from touches, never from the table's own select and
// deselect operations.
class TableViewDelegate : public ScrollViewDelegate {
 public:
  // kAutomaticDimension uses the table's row height.
  virtual double tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&);
  virtual void tableViewWillDisplayCellForRowAtIndexPath(TableView&, TableViewCell&, const IndexPath&) {}
  virtual void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath&) {}
  virtual void tableViewDidDeselectRowAtIndexPath(TableView&, const IndexPath&) {}
  virtual std::shared_ptr<SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      TableView&, const IndexPath&) {
    return nullptr;
  }
  virtual void tableViewWillBeginEditingRowAtIndexPath(TableView&, const IndexPath&) {}
  virtual void tableViewDidEndEditingRowAtIndexPath(TableView&, const std::optional<IndexPath>&) {}
};

enum class TableViewScrollPosition { None, Top, Middle, Bottom };
enum class TableViewCellSeparatorStyle { None, SingleLine };

// A vertical list of rows in sections, each row a cell asked of the data source when it comes into
// view and handed back for reuse when it leaves. Rows are tapped to select them (one at a time, or
// several), swiped left to reveal the delegate's actions, and scrolled like any scroll view.
class TableView : public ScrollView {
 public:
  static constexpr double kAutomaticDimension = -1;
  static constexpr double kIndexWidth = 16;

  ~TableView() override;

  TableViewDataSource* dataSource() const { return dataSource_.get(); }
  void setDataSource(TableViewDataSource* source);
  void setDataSource(const std::shared_ptr<TableViewDataSource>& source);
  TableViewDelegate* delegate() const { return tableDelegate_.get(); }
  void setDelegate(TableViewDelegate* delegate);
  void setDelegate(const std::shared_ptr<TableViewDelegate>& delegate);

  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double height);

  // --- cells ---
  void registerCell(const std::string& identifier, std::function<std::shared_ptr<TableViewCell>()> factory);
  // A cell that scrolled away with this identifier, else a new one from the registered factory, else null.
  std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);
  // Asks the data source again for everything; clears the selection and any open swipe.
  void reloadData();
  void reloadSectionIndexTitles();
  const std::vector<std::string>& sectionIndexTitles() const { return indexTitles_; }

  // --- geometry ---
  std::int64_t numberOfSections();
  std::int64_t numberOfRowsInSection(std::int64_t section);
  bool isValid(const IndexPath& indexPath);
  // Empty for an index path that is not in the table.
  Rect rectForRowAtIndexPath(const IndexPath& indexPath);
  std::optional<IndexPath> indexPathForRowAtPoint(Point p);
  std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
  // Null when the row is not in view.
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(const IndexPath& indexPath);
  std::vector<std::shared_ptr<TableViewCell>> visibleCells();
  std::vector<IndexPath> indexPathsForVisibleRows();
  // Does nothing for an index path that is not in the table.
  void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position, bool animated);

  std::shared_ptr<View> tableFooterView() const { return footer_; }
  void setTableFooterView(std::shared_ptr<View> footer);

  // --- selection ---
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
  bool allowsMultipleSelection() const { return allowsMultiple_; }
  void setAllowsMultipleSelection(bool allows);
  bool allowsSelectionDuringEditing() const { return allowsSelectionEditing_; }
  void setAllowsSelectionDuringEditing(bool allows) { allowsSelectionEditing_ = allows; }
  bool allowsMultipleSelectionDuringEditing() const { return allowsMultipleEditing_; }
  void setAllowsMultipleSelectionDuringEditing(bool allows) { allowsMultipleEditing_ = allows; }
  std::optional<IndexPath> indexPathForSelectedRow() const;
  std::vector<IndexPath> indexPathsForSelectedRows() const;
  // No delegate calls. A null index path clears the selection; with single selection the others are
  // cleared. Position None does not scroll.
  void selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated, TableViewScrollPosition position);
  void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);

  // --- editing ---
  // A row swiped open puts the table in editing; leaving editing closes it.
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated);
  std::optional<IndexPath> swipedRow() const { return swiped_; }
  // The buttons of the open row's actions, outermost first (empty when no row is open).
  std::vector<std::shared_ptr<View>> swipeActionButtons() const;

  // --- look ---
  std::optional<Color> separatorColor() const { return separatorColor_; }
  void setSeparatorColor(std::optional<Color> color);
  TableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(TableViewCellSeparatorStyle style);
  Color sectionIndexColor() const { return indexColor_.value_or(tintColor()); }
  void setSectionIndexColor(std::optional<Color> color);
  std::optional<Color> sectionIndexBackgroundColor() const { return indexBackground_; }
  void setSectionIndexBackgroundColor(std::optional<Color> color);

  void touchesBegan(const Touches& touches, const Event* event) override;
  void touchesMoved(const Touches& touches, const Event* event) override;
  void touchesEnded(const Touches& touches, const Event* event) override;
  void touchesCancelled(const Touches& touches, const Event* event) override;
  bool allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const override;

 protected:
  explicit TableView(const Rect& frame = {});
  void layoutSubviews() override;
  void contentOffsetDidChange() override;

 private:
  class IndexStrip;
  class Swipe;
  class Selection;
  friend class IndexStrip;

  void ensureData();
  void computeGeometry();
  void tile();
  void tileOnce();
  std::vector<IndexPath> indexPathsForVisibleRowsUnsafe() const;
  void recycle(const IndexPath& indexPath);
  void showCell(const IndexPath& indexPath);
  void styleCell(TableViewCell& cell) const;
  double heightFor(const IndexPath& indexPath);
  void scrollToRect(const Rect& row, TableViewScrollPosition position, bool animated);
  void scrollToIndexTitle(size_t index);
  void layoutIndexStrip();

  DelegateRef<TableViewDataSource> dataSource_;
  DelegateRef<TableViewDelegate> tableDelegate_;
  double rowHeight_ = 44;
  bool dataDirty_ = true;
  bool needsTile_ = true;
  bool tiling_ = false;
  std::vector<std::vector<double>> rowTops_;  // per section: the top of each row, then the section's end
  double rowsHeight_ = 0;
  std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusable_;
  std::map<std::string, std::function<std::shared_ptr<TableViewCell>()>> factories_;
  std::shared_ptr<View> footer_;
  std::vector<std::string> indexTitles_;
  std::shared_ptr<IndexStrip> indexStrip_;
  bool allowsSelection_ = true;
  bool allowsMultiple_ = false;
  bool allowsSelectionEditing_ = false;
  bool allowsMultipleEditing_ = false;
  bool editing_ = false;
  std::optional<IndexPath> swiped_;
  std::unique_ptr<Swipe> swipe_;
  std::unique_ptr<Selection> selection_;
  std::optional<Color> separatorColor_ = Color::withWhite(0.78, 1);
  TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::SingleLine;
  std::optional<Color> indexColor_;
  std::optional<Color> indexBackground_;
};

}  // namespace platform::ui
