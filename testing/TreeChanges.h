#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::testing {

// What is done to the entries of a folder tree from the object's making on, as the kernel reports it:
// an entry made, removed, renamed, written or given other attributes. Reads of all kinds are left out.
// A test that must show a run left a tree untouched watches it: a file made and removed again in
// between, which a listing before and after would miss, is seen too. Every folder below the root at
// the making is watched; one made later is seen being made, not watched.
class TreeChanges {
 public:
  explicit TreeChanges(const std::string& root);
  ~TreeChanges();
  TreeChanges(const TreeChanges&) = delete;
  TreeChanges& operator=(const TreeChanges&) = delete;

  // Whether every folder could be watched.
  bool watching() const { return watching_; }
  // The changes reported since the last call, one line each ("<path>: made"). The kernel reports a
  // change within the system call that makes it: once a process has ended, all it did is here.
  std::vector<std::string> take();
  // Waits until a change whose line holds `fragment` is reported (true): a state another process
  // reaches, such as a file it makes. False when `guardSeconds` passed first, a safety net for a test
  // that would otherwise hang, never a measure of time. What was read meanwhile take() still hands out.
  bool waitFor(std::string_view fragment, double guardSeconds = 120);

 private:
  // Appends to `changes` what the kernel holds now.
  void read(std::vector<std::string>& changes);

  int fd_ = -1;
  bool watching_ = false;
  std::map<int, std::string> folders_;  // by watch descriptor
  std::vector<std::string> unread_;     // read by waitFor, not yet taken
};

}  // namespace ostrel::testing
