#pragma once

#include <memory>
#include <string>

#include "app/kit/AlertOkayCancelDelegate.h"

namespace app::kit {
class CustomAlert;
class CustomOkayCancelAlert;
}  // namespace app::kit
namespace platform::ui {
class ViewController;
}

namespace app::setup {

// What a setup form does when the catalogue does not take what it was to store (a full disk, a catalogue
// locked or damaged): the form stays open with what was typed, since its screen does not close it, and
// this tells the person over the screen, in the same words as the log line, until they press OK. A
// screen keeps one and reports each failed save to it.
class FormSaveFailure final : public kit::AlertOkayCancelDelegate {
 public:
  FormSaveFailure() = default;
  FormSaveFailure(const FormSaveFailure&) = delete;
  FormSaveFailure& operator=(const FormSaveFailure&) = delete;
  // An alert still shown leaves the screen with it: its OK would find nobody to answer.
  ~FormSaveFailure() override;

  // Logs "<what> could not be stored" and shows it in an alert titled "NOT SAVED" over `screen`,
  // replacing one still shown. `what` names the thing as a sentence begins: "The adapter \"Wide\"".
  void report(platform::ui::ViewController& screen, const std::string& what);
  // The same notice for a choice written at once, which leaves no form open: "<what> could not be
  // stored. <kept>", where `kept` says what the package keeps instead ("The package keeps the lenses it
  // had.").
  void reportChoice(platform::ui::ViewController& screen, const std::string& what, const std::string& kept);
  // The same notice for a delete the catalogue refused: "<what> could not be deleted. It stays in the
  // list."
  void reportDelete(platform::ui::ViewController& screen, const std::string& what);
  // The alert of the last report; on screen until its OK is pressed.
  const std::shared_ptr<kit::CustomOkayCancelAlert>& alert() const { return alert_; }
  bool isShown() const;

  void okClickFromAlert(kit::CustomAlert& alert) override;

 private:
  void show(platform::ui::ViewController& screen, const std::string& message);

  std::shared_ptr<kit::CustomOkayCancelAlert> alert_;
};

}  // namespace app::setup
