#pragma once

#include <string>

namespace platform::foundation {

// What stands at a path, looked at without following more than the one link standing there, without
// throwing and without waiting. Code decides by the kind; a message names it in its words ("a FIFO",
// "a link that leads nowhere"), which the person reads in the log.
class PathKind {
 public:
  enum class Kind {
    Nothing,
    RegularFile,
    // A regular file whose owner or mode keeps it from this process: what it holds is unknown, not damaged.
    FileMayNotRead,
    Folder,
    Fifo,
    Device,
    Socket,
    Other,
    // Only through a link: where it leads is not there, it leads round to itself, or it cannot be followed.
    LinkToNowhere,
    LinkInALoop,
    LinkNotFollowed,
  };
  static constexpr const char* kMayNotReadWords = "a file the app may not read";

  [[nodiscard]] static PathKind at(const std::string& path);

  [[nodiscard]] Kind kind() const { return kind_; }
  // Whether a link stands at the path, `kind` being what it leads to.
  [[nodiscard]] bool throughLink() const { return throughLink_; }
  [[nodiscard]] bool isNothing() const { return kind_ == Kind::Nothing; }
  // A regular file this process may read, standing at the path itself: the only thing a writer of the
  // app's takes for its own.
  [[nodiscard]] bool isPlainFile() const { return kind_ == Kind::RegularFile && !throughLink_; }
  // A regular file this process may read, at the path or where a link there leads.
  [[nodiscard]] bool leadsToFile() const { return kind_ == Kind::RegularFile; }
  [[nodiscard]] bool leadsToFolder() const { return kind_ == Kind::Folder; }
  [[nodiscard]] bool mayNotRead() const { return kind_ == Kind::FileMayNotRead; }
  // "a regular file", "a link to a device", kMayNotReadWords...; empty where nothing stands.
  [[nodiscard]] std::string words() const;

  bool operator==(const PathKind&) const = default;

 private:
  PathKind(Kind kind, bool throughLink) : kind_(kind), throughLink_(throughLink) {}

  Kind kind_;
  bool throughLink_;
};

}  // namespace platform::foundation
