#include "platform/ui/TableView.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewIndexStrip.h"
#include "platform/ui/TableViewSelection.h"
#include "platform/ui/TableViewSwipe.h"

namespace platform::ui {

double TableViewDelegate::tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) {
  return TableView::kAutomaticDimension;
}

TableView::TableView(const Rect& frame)
    : ScrollView(frame), swipe_(std::make_unique<Swipe>()), selection_(std::make_unique<Selection>(*this)) {
  addGestureRecognizer(swipe_->pan());
}

TableView::~TableView() = default;

void TableView::setDataSource(TableViewDataSource* source) {
  dataSource_.set(source);
  reloadData();
}

void TableView::setDataSource(const std::shared_ptr<TableViewDataSource>& source) {
  dataSource_.set(source);
  reloadData();
}

void TableView::setDelegate(TableViewDelegate* delegate) {
  tableDelegate_.set(delegate);
  ScrollView::setDelegate(delegate);
  dataDirty_ = true;
}

void TableView::setDelegate(const std::shared_ptr<TableViewDelegate>& delegate) {
  tableDelegate_.set(delegate);
  ScrollView::setDelegate(std::static_pointer_cast<ScrollViewDelegate>(delegate));
  dataDirty_ = true;
}

void TableView::setRowHeight(double height) {
  rowHeight_ = height < 0 ? 0 : height;
  dataDirty_ = true;
  needsTile_ = true;
  setNeedsLayout();
}

// --- data and geometry ---

void TableView::ensureData() {
  if (dataDirty_) computeGeometry();
}

double TableView::heightFor(const IndexPath& indexPath) {
  double h = kAutomaticDimension;
  if (auto d = tableDelegate_.lock()) h = d->tableViewHeightForRowAtIndexPath(*this, indexPath);
  return h < 0 ? rowHeight_ : h;
}

void TableView::computeGeometry() {
  dataDirty_ = false;
  rowTops_.clear();
  double y = 0;
  auto source = dataSource_.lock();
  std::int64_t sections = source ? std::max<std::int64_t>(0, source->numberOfSectionsInTableView(*this)) : 0;
  for (std::int64_t s = 0; s < sections; ++s) {
    std::int64_t rows = std::max<std::int64_t>(0, source->tableViewNumberOfRowsInSection(*this, s));
    std::vector<double> tops;
    tops.reserve(static_cast<size_t>(rows) + 1);
    for (std::int64_t r = 0; r < rows; ++r) {
      tops.push_back(y);
      y += heightFor({s, r});
    }
    tops.push_back(y);
    rowTops_.push_back(std::move(tops));
  }
  rowsHeight_ = y;
  double footer = footer_ ? footer_->frame().height() : 0;
  needsTile_ = true;
  setContentSize({bounds().width(), rowsHeight_ + footer});
}

std::int64_t TableView::numberOfSections() {
  ensureData();
  return static_cast<std::int64_t>(rowTops_.size());
}

std::int64_t TableView::numberOfRowsInSection(std::int64_t section) {
  ensureData();
  if (section < 0 || section >= static_cast<std::int64_t>(rowTops_.size())) return 0;
  return static_cast<std::int64_t>(rowTops_[static_cast<size_t>(section)].size()) - 1;
}

bool TableView::isValid(const IndexPath& ip) {
  return ip.row >= 0 && ip.row < numberOfRowsInSection(ip.section);
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& ip) {
  if (!isValid(ip)) return {};
  const auto& tops = rowTops_[static_cast<size_t>(ip.section)];
  auto r = static_cast<size_t>(ip.row);
  return {0, tops[r], bounds().width(), tops[r + 1] - tops[r]};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) {
  ensureData();
  if (p.y < 0 || p.y >= rowsHeight_) return std::nullopt;
  for (size_t s = 0; s < rowTops_.size(); ++s) {
    const auto& tops = rowTops_[s];
    if (p.y >= tops.back()) continue;
    auto it = std::upper_bound(tops.begin(), tops.end(), p.y);
    if (it == tops.begin()) return std::nullopt;
    auto row = static_cast<std::int64_t>(it - tops.begin()) - 1;
    // Rows of no height can not be hit; the search lands on the last row starting at that point.
    return IndexPath{static_cast<std::int64_t>(s), row};
  }
  return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
  for (const auto& [ip, c] : visible_) {
    if (c.get() == cell) return ip;
  }
  return std::nullopt;
}

// --- cells ---

void TableView::registerCell(const std::string& identifier, std::function<std::shared_ptr<TableViewCell>()> factory) {
  factories_[identifier] = std::move(factory);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
  auto& pool = reusable_[identifier];
  if (!pool.empty()) {
    auto cell = pool.back();
    pool.pop_back();
    cell->prepareForReuse();
    return cell;
  }
  auto it = factories_.find(identifier);
  return it != factories_.end() && it->second ? it->second() : nullptr;
}

void TableView::reloadData() {
  auto keep = weak_from_this().lock();
  if (swiped_ || swipe_->isActive()) {
    swipe_->close();
    swiped_.reset();
    editing_ = false;
  }
  selection_->clearPress();
  for (const auto& ip : indexPathsForVisibleRowsUnsafe()) recycle(ip);
  selection_->forget();
  reloadSectionIndexTitles();
  computeGeometry();
  setNeedsLayout();
}

std::vector<IndexPath> TableView::indexPathsForVisibleRowsUnsafe() const {
  std::vector<IndexPath> out;
  for (const auto& [ip, cell] : visible_) out.push_back(ip);
  return out;
}

void TableView::reloadSectionIndexTitles() {
  auto source = dataSource_.lock();
  indexTitles_ = source ? source->sectionIndexTitlesForTableView(*this) : std::vector<std::string>{};
  if (indexTitles_.empty()) {
    if (indexStrip_) indexStrip_->removeFromSuperview();
    indexStrip_.reset();
    return;
  }
  if (!indexStrip_) {
    indexStrip_ = make<IndexStrip>(std::static_pointer_cast<TableView>(shared_from_this()));
    addSubview(indexStrip_);
  }
  indexStrip_->setBackgroundColor(indexBackground_);
  indexStrip_->setTitles(indexTitles_, sectionIndexColor());
  layoutIndexStrip();
}

void TableView::recycle(const IndexPath& ip) {
  auto it = visible_.find(ip);
  if (it == visible_.end()) return;
  auto cell = it->second;
  visible_.erase(it);
  if (swiped_ == ip || swipe_->row() == ip) setEditing(false, false);
  cell->setHighlighted(false, false);
  cell->removeFromSuperview();
  if (!cell->reuseIdentifier().empty()) reusable_[cell->reuseIdentifier()].push_back(cell);
}

void TableView::styleCell(TableViewCell& cell) const {
  bool lines = separatorStyle_ == TableViewCellSeparatorStyle::SingleLine && separatorColor_;
  cell.setSeparator(lines ? separatorColor_ : std::nullopt);
}

void TableView::showCell(const IndexPath& ip) {
  auto source = dataSource_.lock();
  if (!source) return;
  auto cell = source->tableViewCellForRowAtIndexPath(*this, ip);
  if (!cell || indexPathForCell(cell.get())) return;
  cell->setFrame(rectForRowAtIndexPath(ip));
  Rect content = cell->contentView()->frame();
  cell->contentView()->setFrame({0, content.minY(), content.width(), content.height()});
  styleCell(*cell);
  cell->setHighlighted(false, false);
  cell->setSelected(selection_->contains(ip), false);
  insertSubview(cell, 0);
  visible_[ip] = cell;
  if (auto d = tableDelegate_.lock()) d->tableViewWillDisplayCellForRowAtIndexPath(*this, *cell, ip);
}

void TableView::tile() {
  // A delegate may reload or scroll the table from willDisplay: that asks for another pass.
  if (tiling_) {
    needsTile_ = true;
    return;
  }
  auto keep = weak_from_this().lock();
  tiling_ = true;
  for (int pass = 0; pass < 4; ++pass) {
    ensureData();
    needsTile_ = false;
    tileOnce();
    if (!needsTile_ && !dataDirty_) break;
  }
  tiling_ = false;
}

void TableView::tileOnce() {
  Rect view = bounds();
  std::set<IndexPath> wanted;
  for (size_t s = 0; s < rowTops_.size(); ++s) {
    const auto& tops = rowTops_[s];
    if (tops.back() <= view.minY() || tops.front() >= view.maxY()) continue;
    auto first = std::upper_bound(tops.begin(), tops.end(), view.minY());
    size_t r = first == tops.begin() ? 0 : static_cast<size_t>(first - tops.begin()) - 1;
    for (; r + 1 < tops.size() && tops[r] < view.maxY(); ++r) {
      if (tops[r + 1] > tops[r]) wanted.insert({static_cast<std::int64_t>(s), static_cast<std::int64_t>(r)});
    }
  }
  for (const auto& ip : indexPathsForVisibleRowsUnsafe()) {
    if (!wanted.count(ip)) recycle(ip);
  }
  for (const auto& ip : wanted) {
    auto it = visible_.find(ip);
    if (it == visible_.end()) {
      showCell(ip);
    } else {
      it->second->setFrame(rectForRowAtIndexPath(ip));
    }
    if (needsTile_ || dataDirty_) return;  // a delegate reloaded the table: that pass has it
  }
  if (footer_) {
    Rect f = footer_->frame();
    footer_->setFrame({0, rowsHeight_, view.width(), f.height()});
  }
  layoutIndexStrip();
}

void TableView::layoutIndexStrip() {
  if (!indexStrip_) return;
  Rect b = bounds();
  EdgeInsets in = contentInset();
  indexStrip_->setFrame({b.maxX() - kIndexWidth, b.minY() + in.top, kIndexWidth, b.height() - in.top - in.bottom});
  bringSubviewToFront(indexStrip_.get());
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& ip) {
  if (needsTile_ || dataDirty_) tile();
  auto it = visible_.find(ip);
  return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() {
  if (needsTile_ || dataDirty_) tile();
  std::vector<std::shared_ptr<TableViewCell>> out;
  for (const auto& [ip, cell] : visible_) out.push_back(cell);
  return out;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
  if (needsTile_ || dataDirty_) tile();
  return indexPathsForVisibleRowsUnsafe();
}

void TableView::setTableFooterView(std::shared_ptr<View> footer) {
  if (footer_) footer_->removeFromSuperview();
  footer_ = std::move(footer);
  if (footer_) addSubview(footer_);
  dataDirty_ = true;
  setNeedsLayout();
}

void TableView::layoutSubviews() {
  ensureData();
  if (contentSize().width != bounds().width()) setContentSize({bounds().width(), contentSize().height});
  tile();
}

void TableView::contentOffsetDidChange() {
  if (swiped_ && !swipe_->isActive()) setEditing(false, true);
  tile();
}

// --- scrolling to rows ---

void TableView::scrollToRect(const Rect& row, TableViewScrollPosition position, bool animated) {
  Rect b = bounds();
  EdgeInsets in = contentInset();
  double visibleTop = b.minY() + in.top;
  double visibleBottom = b.maxY() - in.bottom;
  double y = b.minY();
  switch (position) {
    case TableViewScrollPosition::Top: y = row.minY() - in.top; break;
    case TableViewScrollPosition::Middle: y = row.midY() - (in.top + b.height() - in.bottom) / 2; break;
    case TableViewScrollPosition::Bottom: y = row.maxY() - b.height() + in.bottom; break;
    case TableViewScrollPosition::None:
      if (row.minY() < visibleTop) {
        y = row.minY() - in.top;
      } else if (row.maxY() > visibleBottom) {
        y = row.maxY() - b.height() + in.bottom;
      }
      break;
  }
  setContentOffset({b.minX(), y}, animated);
}

void TableView::scrollToRowAtIndexPath(const IndexPath& ip, TableViewScrollPosition position, bool animated) {
  if (!isValid(ip)) return;
  scrollToRect(rectForRowAtIndexPath(ip), position, animated);
}

void TableView::scrollToIndexTitle(size_t index) {
  if (index >= indexTitles_.size()) return;
  auto source = dataSource_.lock();
  if (!source) return;
  std::int64_t section = source->tableViewSectionForSectionIndexTitleAtIndex(*this, indexTitles_[index],
                                                                            static_cast<std::int64_t>(index));
  if (section < 0 || section >= numberOfSections()) return;
  double top = rowTops_[static_cast<size_t>(section)].front();
  setContentOffset({bounds().minX(), top - contentInset().top}, false);
}

// --- look ---

void TableView::setSeparatorColor(std::optional<Color> color) {
  separatorColor_ = color;
  for (const auto& [ip, cell] : visible_) styleCell(*cell);
}

void TableView::setSeparatorStyle(TableViewCellSeparatorStyle style) {
  separatorStyle_ = style;
  for (const auto& [ip, cell] : visible_) styleCell(*cell);
}

void TableView::setSectionIndexColor(std::optional<Color> color) {
  indexColor_ = color;
  if (indexStrip_) indexStrip_->setColor(sectionIndexColor());
}

void TableView::setSectionIndexBackgroundColor(std::optional<Color> color) {
  indexBackground_ = color;
  if (indexStrip_) indexStrip_->setBackgroundColor(color);
}

// --- selection ---

std::optional<IndexPath> TableView::indexPathForSelectedRow() const { return selection_->first(); }

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const { return selection_->rows(); }

void TableView::setAllowsMultipleSelection(bool allows) {
  allowsMultiple_ = allows;
  // Down to one selection mode, only the first selected row stays selected.
  if (!allows && !editing_) selection_->keepOnly(selection_->first());
}

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& ip, bool animated,
                                     TableViewScrollPosition position) {
  if (!ip) {
    selection_->keepOnly(std::nullopt);
    return;
  }
  if (!isValid(*ip)) return;
  if (!selection_->allowsSeveralNow()) selection_->keepOnly(*ip);
  selection_->select(*ip);
  if (position != TableViewScrollPosition::None) scrollToRect(rectForRowAtIndexPath(*ip), position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& ip, bool) { selection_->deselect(ip); }

// --- touches ---

void TableView::touchesBegan(const Touches& touches, const Event*) {
  if (touches.empty() || touchStoppedScrolling() || selection_->isPressing()) return;
  // A tap anywhere on the table while a row is open only closes it.
  if (swiped_) {
    setEditing(false, true);
    return;
  }
  auto ip = indexPathForRowAtPoint(touches.front()->locationInView(this));
  if (!ip || !selection_->allowsNow()) return;
  selection_->press(*ip, touches.front());
}

void TableView::touchesMoved(const Touches& touches, const Event*) { selection_->pressMoved(touches); }

void TableView::touchesEnded(const Touches& touches, const Event*) { selection_->pressEnded(touches); }

void TableView::touchesCancelled(const Touches&, const Event*) { selection_->clearPress(); }

bool TableView::allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const {
  if (&recognizer == swipe_->pan().get()) return swipe_->mayBegin();
  return ScrollView::allowsRecognizerToTakeTouch(recognizer);
}

// --- editing ---

void TableView::setEditing(bool editing, bool) {
  if (editing) {
    editing_ = true;
    return;
  }
  std::optional<IndexPath> closed = swiped_;
  bool wasEditing = editing_;
  swipe_->close();
  swiped_.reset();
  editing_ = false;
  if (closed || wasEditing) {
    if (auto d = tableDelegate_.lock(); d && closed) d->tableViewDidEndEditingRowAtIndexPath(*this, closed);
  }
}

std::vector<std::shared_ptr<View>> TableView::swipeActionButtons() const { return swipe_->buttons(); }

}  // namespace platform::ui
