#pragma once

namespace platform::ui {
class ViewController;
}

namespace app::setup {

class FormSaveFailure;

// What a setup screen tells the person when the package a commit built did not reach the package
// catalogue (one the app may only read, or one another program holds): the package is shown as chosen,
// but the next start would bring back the one stored before. Made just before the commit, asked just
// after it; the notice is the same NOT SAVED as for a choice the other catalogues refuse.
class PackageStoreNotice {
 public:
  PackageStoreNotice();
  // Has `failure` say so over `screen` when the package catalogue refused a store since this was made;
  // whether it did. A screen that would close after the commit stays open under the notice.
  bool tellIfRefused(platform::ui::ViewController& screen, FormSaveFailure& failure) const;

  static constexpr const char* kKept =
      "It is shown as chosen for now; unless a later save stores it, the next start shows the package stored "
      "before.";

 private:
  int refusedBefore_;
};

}  // namespace app::setup
