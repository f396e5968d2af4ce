#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace app::main {

// The labels on a bar's scale, one per mark: made again only when the marks or the theme changed,
// those that touch their neighbour stepped up and down, and a new set faded in over the old one.
// Main thread only.
class ScaleLabels {
 public:
  static constexpr double kLabelY = 22;

  // One label of a scale: where it stands, what it reads and how it is drawn: 0 a plain mark, 1 a limit
  // of the lens (heavier), 2 a mark the lens cannot reach (dimmed).
  struct Mark {
    float position = 0;
    std::string text;
    int kind = 0;
    bool operator==(const Mark&) const = default;
  };

  static void add(platform::ui::View& scale, float position, const std::string& text, int kind);
  // Puts `marks` on `scale` as new labels (after removing every label first when `replaceAll`), unless
  // it already shows exactly these marks in the theme in force: making a label measures its text, and
  // each appearance of the main screen builds every scale several times over, mostly unchanged. True
  // when new labels were made.
  bool show(platform::ui::View& scale, const std::vector<Mark>& marks, bool replaceAll);
  // Labels that touch their neighbour shrink and step up and down alternately.
  static void overlapPass(const platform::ui::View& scale);

  // The view's current subviews become the labels the next cross-fade fades out.
  void fadeOutNext(const platform::ui::View& view);
  // The labels just shown are the ones the next cross-fade fades in.
  void fadeInShown() { fadeIn_ = shown_; }
  void crossFade(const std::shared_ptr<platform::ui::View>& content);

 private:
  std::vector<Mark> shownMarks_;
  std::vector<std::weak_ptr<platform::ui::View>> shown_;
  std::optional<bool> shownInDarkTheme_;
  std::vector<std::weak_ptr<platform::ui::View>> fadeOut_, fadeIn_;
};

}  // namespace app::main
