#include "platform/ui/TableView.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/SwipeActionsConfiguration.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

using foundation::Clock;
using foundation::ManualClock;

std::string str(const IndexPath& ip) { return std::to_string(ip.section) + "." + std::to_string(ip.row); }

// Two sections ("A" with 30 rows, "B" with 70), 40 points a row; writes every call down.
struct Rows : TableViewDataSource, TableViewDelegate {
  std::vector<std::int64_t> counts{30, 70};
  std::vector<std::string> calls;
  int made = 0;
  bool canEdit = true;
  std::shared_ptr<SwipeActionsConfiguration> swipe;
  std::map<std::string, bool> selectedWhenShown;

  std::int64_t numberOfSectionsInTableView(TableView&) override { return static_cast<std::int64_t>(counts.size()); }
  std::int64_t tableViewNumberOfRowsInSection(TableView&, std::int64_t s) override { return counts[s]; }
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, const IndexPath& ip) override {
    auto cell = table.dequeueReusableCell("Row");
    if (!cell) {
      cell = make<TableViewCell>(TableViewCellStyle::Default, "Row");
      ++made;
    }
    cell->textLabel()->setText(str(ip));
    return cell;
  }
  std::vector<std::string> sectionIndexTitlesForTableView(TableView&) override { return {"A", "B"}; }
  bool tableViewCanEditRowAtIndexPath(TableView&, const IndexPath&) override { return canEdit; }
  double tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) override { return 40; }
  void tableViewWillDisplayCellForRowAtIndexPath(TableView&, TableViewCell& cell, const IndexPath& ip) override {
    selectedWhenShown[str(ip)] = cell.isSelected();
  }
  void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& ip) override { calls.push_back("select " + str(ip)); }
  void tableViewDidDeselectRowAtIndexPath(TableView&, const IndexPath& ip) override {
    calls.push_back("deselect " + str(ip));
  }
  std::shared_ptr<SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      TableView&, const IndexPath&) override {
    return swipe;
  }
  void tableViewWillBeginEditingRowAtIndexPath(TableView&, const IndexPath& ip) override {
    calls.push_back("begin editing " + str(ip));
  }
  void tableViewDidEndEditingRowAtIndexPath(TableView&, const std::optional<IndexPath>& ip) override {
    calls.push_back("end editing " + (ip ? str(*ip) : std::string("-")));
  }
};

class TableViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = make<Window>();
    table = make<TableView>(Rect{0, 100, 390, 400});
    table->setDataSource(&rows);
    table->setDelegate(&rows);
    window->addSubview(table);
    window->layoutIfNeeded();
  }
  // Taps the row on screen (its rectangle must be in view).
  void tapRow(const IndexPath& ip, double x = 100) {
    Point p = table->convertPointTo(table->rectForRowAtIndexPath(ip).center(), nullptr);
    window->touchDown({x, p.y});
    window->touchUp({x, p.y});
  }
  void swipeRow(const IndexPath& ip, double distance) {
    Point p = table->convertPointTo(table->rectForRowAtIndexPath(ip).center(), nullptr);
    window->touchDown({350, p.y});
    for (int i = 1; i <= 10; ++i) {
      clock->advance(0.02);
      window->touchMove({350 - distance * i / 10, p.y});
    }
    window->touchUp({350 - distance, p.y});
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<ManualClock> clock = env.clock();
  std::shared_ptr<Window> window;
  std::shared_ptr<TableView> table;
  Rows rows;
};

TEST_F(TableViewTest, ShowsOnlyVisibleRowsAndReusesCells) {
  EXPECT_EQ(table->contentSize().height, 100 * 40);
  EXPECT_EQ(table->indexPathsForVisibleRows().size(), 10u);
  EXPECT_NE(table->cellForRowAtIndexPath({0, 9}), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 10}), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath({1, 50}), nullptr);
  for (int step = 0; step < 50; ++step) table->setContentOffset({0, step * 60.0});
  // Scrolling through forty rows made no more cells than fit on screen at once.
  EXPECT_LE(rows.made, 12);
  auto first = table->indexPathsForVisibleRows().front();
  EXPECT_EQ(first, (IndexPath{1, 43}));
  EXPECT_EQ(table->cellForRowAtIndexPath(first)->textLabel()->text(), "1.43");
  EXPECT_EQ(table->indexPathForRowAtPoint({10, 30 * 40 + 5}), (IndexPath{1, 0}));
  EXPECT_EQ(table->indexPathForRowAtPoint({10, 100 * 40}), std::nullopt);
}

TEST_F(TableViewTest, SingleSelectionByTouch) {
  tapRow({0, 2});
  tapRow({0, 5});
  tapRow({0, 5});
  EXPECT_EQ(rows.calls, (std::vector<std::string>{"select 0.2", "deselect 0.2", "select 0.5", "select 0.5"}));
  EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 5}));
  EXPECT_TRUE(table->cellForRowAtIndexPath({0, 5})->isSelected());
  EXPECT_FALSE(table->cellForRowAtIndexPath({0, 2})->isSelected());
  // While the finger is down the row is highlighted; a drag that scrolls cancels the press.
  Point p = table->convertPointTo(table->rectForRowAtIndexPath({0, 3}).center(), nullptr);
  window->touchDown(p);
  EXPECT_TRUE(table->cellForRowAtIndexPath({0, 3})->isHighlighted());
  window->touchMove({p.x, p.y - 60});
  EXPECT_FALSE(table->cellForRowAtIndexPath({0, 3})->isHighlighted());
  window->touchUp({p.x, p.y - 60});
  EXPECT_EQ(rows.calls.size(), 4u);
  EXPECT_GT(table->contentOffset().y, 0);
}

// Only a tap chooses a row: a finger that strays past the tap slop, sideways or back and forth, is a
// swipe or a drag over it, whether or not the row offers a swipe of its own.
TEST_F(TableViewTest, ASwipeOrADragOverARowChoosesNothingWhileATapStillDoes) {
  const auto stroke = [&](const IndexPath& ip, std::initializer_list<Point> moves) {
    Point p = table->convertPointTo(table->rectForRowAtIndexPath(ip).center(), nullptr);
    window->touchDown(p);
    Point at = p;
    for (Point move : moves) {
      clock->advance(0.02);
      at = {p.x + move.x, p.y + move.y};
      window->touchMove(at);
    }
    window->touchUp(at);
    clock->advance(1);
  };
  for (bool offersSwipe : {false, true}) {
    rows.canEdit = offersSwipe;
    rows.calls.clear();
    swipeRow({0, 1}, 40);
    swipeRow({0, 2}, 200);
    stroke({0, 3}, {{20, 0}, {40, 0}});           // rightwards
    stroke({0, 4}, {{0, 6}, {0, -6}, {-14, 0}});  // a wobble, then sideways past the slop
    stroke({0, 5}, {{30, 0}, {0, 0}});            // out and back to where it came down
    if (table->isEditing()) table->setEditing(false, false);
    for (const auto& call : rows.calls) EXPECT_EQ(call.rfind("select", 0), std::string::npos) << call;
  }
  rows.calls.clear();
  Point p = table->convertPointTo(table->rectForRowAtIndexPath({0, 6}).center(), nullptr);
  window->touchDown(p);
  window->touchMove({p.x + 14, p.y});
  EXPECT_FALSE(table->cellForRowAtIndexPath({0, 6})->isHighlighted()) << "a row is let go as the finger strays";
  window->touchUp({p.x + 14, p.y});
  clock->advance(1);
  stroke({0, 7}, {{6, 3}, {-4, 5}});  // a finger's own jitter is still a tap
  EXPECT_EQ(rows.calls, (std::vector<std::string>{"select 0.7"}));
}

TEST_F(TableViewTest, MultipleSelectionTogglesAndEditingHasItsOwnModes) {
  table->setAllowsMultipleSelection(true);
  tapRow({0, 1});
  tapRow({0, 3});
  tapRow({0, 1});
  EXPECT_EQ(rows.calls, (std::vector<std::string>{"select 0.1", "select 0.3", "deselect 0.1"}));
  EXPECT_EQ(table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 3}}));
  rows.calls.clear();
  table->setEditing(true, false);
  tapRow({0, 4});
  EXPECT_TRUE(rows.calls.empty());  // no selection while editing unless allowed
  table->setAllowsSelectionDuringEditing(true);
  tapRow({0, 4});
  tapRow({0, 6});
  EXPECT_EQ(rows.calls, (std::vector<std::string>{"deselect 0.3", "select 0.4", "deselect 0.4", "select 0.6"}));
  table->setAllowsMultipleSelectionDuringEditing(true);
  tapRow({0, 7});
  EXPECT_EQ(table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 6}, {0, 7}}));
  table->setAllowsSelection(false);
  table->setEditing(false, false);
  tapRow({0, 8});
  EXPECT_EQ(rows.calls.back(), "select 0.7");
}

TEST_F(TableViewTest, ProgrammaticSelectionScrollsAndStaysQuiet) {
  table->selectRowAtIndexPath(IndexPath{1, 40}, false, TableViewScrollPosition::Middle);
  EXPECT_TRUE(rows.calls.empty());
  Rect row = table->rectForRowAtIndexPath({1, 40});
  EXPECT_EQ(table->contentOffset().y, row.midY() - 200);
  auto cell = table->cellForRowAtIndexPath({1, 40});
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->isSelected());
  // The cell already shows the selection when the delegate first sees it.
  EXPECT_TRUE(rows.selectedWhenShown["1.40"]);
  EXPECT_FALSE(rows.selectedWhenShown["1.39"]);
  // Position None selects without moving; an invalid row changes nothing.
  table->selectRowAtIndexPath(IndexPath{0, 0}, false, TableViewScrollPosition::None);
  EXPECT_EQ(table->contentOffset().y, row.midY() - 200);
  EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 0}));
  table->selectRowAtIndexPath(IndexPath{5, 0}, false, TableViewScrollPosition::Top);
  table->scrollToRowAtIndexPath({0, 30}, TableViewScrollPosition::Top, false);
  table->scrollToRowAtIndexPath({-1, 0}, TableViewScrollPosition::Top, false);
  EXPECT_EQ(table->contentOffset().y, row.midY() - 200);
  table->scrollToRowAtIndexPath({0, 29}, TableViewScrollPosition::Top, false);
  EXPECT_EQ(table->contentOffset().y, 29 * 40);
  // The last row can only come to the bottom: offsets stay in range.
  table->scrollToRowAtIndexPath({1, 69}, TableViewScrollPosition::Top, false);
  EXPECT_EQ(table->contentOffset().y, 100 * 40 - 400);
  table->deselectRowAtIndexPath({0, 0}, false);
  EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
  EXPECT_TRUE(rows.calls.empty());
}

TEST_F(TableViewTest, ReloadClearsSelectionAndPlacesTheFooter) {
  tapRow({0, 1});
  auto footer = make<View>(Rect{0, 0, 10, 0});
  table->setTableFooterView(footer);
  rows.counts = {3};
  table->reloadData();
  table->layoutIfNeeded();
  EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
  EXPECT_EQ(table->numberOfSections(), 1);
  EXPECT_EQ(table->indexPathsForVisibleRows().size(), 3u);
  EXPECT_EQ(footer->frame(), (Rect{0, 120, 390, 0}));
  EXPECT_EQ(table->contentSize().height, 120);
  table->setContentInset({0, 0, 300, 0});
  table->setScrollIndicatorInsets({0, 0, 300, 0});
  table->scrollToRowAtIndexPath({0, 2}, TableViewScrollPosition::Bottom, false);
  EXPECT_EQ(table->contentOffset().y, 20);
  EXPECT_EQ(table->scrollIndicatorInsets().bottom, 300);
}

TEST_F(TableViewTest, IndexStripJumpsToSections) {
  EXPECT_EQ(table->sectionIndexTitles(), (std::vector<std::string>{"A", "B"}));
  // The strip sits on the right edge, centred; its second title is the second section.
  double y = 100 + 200 + 7;
  window->touchDown({385, y});
  window->touchUp({385, y});
  EXPECT_EQ(table->contentOffset().y, 30 * 40);
  EXPECT_TRUE(rows.calls.empty());
}

TEST_F(TableViewTest, SwipeRevealsActionsWithoutAFullSwipeAction) {
  std::vector<std::string> done;
  auto remove = ContextualAction::contextualActionWithStyle(
      ContextualActionStyle::Normal, "Delete", [&](ContextualAction& a, View&, ContextualAction::Completion) {
        done.push_back(a.title());
        table->setEditing(false, true);
      });
  remove->setBackgroundColor(Color::redColor());
  auto rename = ContextualAction::contextualActionWithStyle(ContextualActionStyle::Normal, "Rename",
                                                            [&](ContextualAction& a, View&, ContextualAction::Completion c) {
                                                              done.push_back(a.title());
                                                              c(true);
                                                            });
  rows.swipe = SwipeActionsConfiguration::configurationWithActions({remove, rename});
  rows.swipe->setPerformsFirstActionWithFullSwipe(false);
  // A full-width swipe only reveals.
  swipeRow({0, 2}, 330);
  EXPECT_TRUE(done.empty());
  EXPECT_TRUE(table->isEditing());
  EXPECT_EQ(table->swipedRow(), (IndexPath{0, 2}));
  auto buttons = table->swipeActionButtons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]->backgroundColor(), Color::redColor());
  auto cell = table->cellForRowAtIndexPath({0, 2});
  EXPECT_LT(cell->contentView()->frame().minX(), 0);
  // Delete is outermost; its handler leaves editing, which closes the row.
  Point at = buttons[0]->convertPointTo(buttons[0]->bounds().center(), nullptr);
  window->touchDown(at);
  window->touchUp(at);
  EXPECT_EQ(done, (std::vector<std::string>{"Delete"}));
  EXPECT_FALSE(table->isEditing());
  EXPECT_EQ(cell->contentView()->frame().minX(), 0);
  EXPECT_TRUE(table->swipeActionButtons().empty());
  EXPECT_EQ(rows.calls, (std::vector<std::string>{"begin editing 0.2", "end editing 0.2"}));
  // A tap elsewhere while open only closes the row.
  swipeRow({0, 4}, 200);
  tapRow({0, 6});
  EXPECT_FALSE(table->isEditing());
  EXPECT_EQ(rows.calls.back(), "end editing 0.4");
  // The completion closes the row too.
  swipeRow({0, 4}, 200);
  buttons = table->swipeActionButtons();
  at = buttons[1]->convertPointTo(buttons[1]->bounds().center(), nullptr);
  window->touchDown(at);
  window->touchUp(at);
  EXPECT_EQ(done.back(), "Rename");
  EXPECT_FALSE(table->isEditing());
}

TEST_F(TableViewTest, FullSwipePerformsTheFirstActionWhenAllowed) {
  int performed = 0;
  rows.swipe = SwipeActionsConfiguration::configurationWithActions({ContextualAction::contextualActionWithStyle(
      ContextualActionStyle::Destructive, "Delete",
      [&](ContextualAction&, View&, ContextualAction::Completion c) {
        ++performed;
        c(true);
      })});
  swipeRow({0, 1}, 330);
  EXPECT_EQ(performed, 1);
  EXPECT_FALSE(table->isEditing());
  // A short swipe springs back; rows that cannot be edited do not move.
  swipeRow({0, 1}, 20);
  EXPECT_FALSE(table->isEditing());
  rows.canEdit = false;
  swipeRow({0, 1}, 200);
  EXPECT_FALSE(table->isEditing());
  EXPECT_EQ(performed, 1);
  EXPECT_TRUE(rows.calls.empty() || rows.calls.front().rfind("begin", 0) == 0);
}

}  // namespace
}  // namespace platform::ui
