#pragma once

namespace sdk::analytics {

// Marks, on the calling thread, the building and writing of what event editing made: an edited event
// or one it created. An error event raised meanwhile is about editing's own output, and the engine
// writes it unedited: edited again, a program that makes an event for every event would feed on its
// own refusals without end.
class EditingOutputScope {
 public:
  EditingOutputScope();
  ~EditingOutputScope();
  EditingOutputScope(const EditingOutputScope&) = delete;
  EditingOutputScope& operator=(const EditingOutputScope&) = delete;

  // Whether the calling thread is inside such a scope.
  static bool isOpen();
};

}  // namespace sdk::analytics
