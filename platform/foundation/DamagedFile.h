#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/foundation/ErrorOr.h"

namespace platform::foundation {

// A stored file that cannot be read is never reset in place: it is kept beside the fresh one, so that
// nothing in it is lost for good, and the person is told where it went. Every reader of a stored file
// (catalogues, preference domains, keychain items, options, event files, databases) goes through here,
// so the rule and the name of the kept copy are the same for all of them. What could not be kept is
// an Error of AtomicFile::kErrorDomain whose code is the system's errno and whose text names the path.
class DamagedFile {
 public:
  static constexpr std::size_t kMaximumCopyBytes = std::size_t{256} << 20;

  // Renames `path` to "<path>.damaged-<UTC date and time>" (with "-2", "-3", ... when that name is
  // taken; an earlier copy is never overwritten), together with the SQLite side files beside it
  // (DatabaseSideFiles); gives the kept path. A file that could not be moved is left where it is, as is
  // anything but a regular file. With `intoFolder` the copy goes there (on the same file system)
  // instead of beside the file: for a store whose folders are read by listing.
  [[nodiscard]] static ErrorOr<std::string> keepAside(const std::string& path, const std::string& intoFolder = {});

  // Whether a copy of `path` was kept aside beside it: what the file holds now may lack what that copy
  // holds, so nothing may be taken as gone for good because the file lacks it. True also when the
  // folder cannot be listed (no copy can then be ruled out).
  [[nodiscard]] static bool hasKeptCopy(const std::string& path);

  // The path keepAside would give a copy of `path` kept now. With keepAsideAs, a caller that notes the
  // copy's name before keeping the file aside finds it again after a kill cut it short between the two,
  // in a copy of the folder too (cp -a, a move to another disk), where the file's identity is new.
  [[nodiscard]] static ErrorOr<std::string> nextKeptPath(const std::string& path);
  // keepAside to `keptPath` (from nextKeptPath), or to the next free name after it when that was taken
  // meanwhile.
  [[nodiscard]] static ErrorOr<std::string> keepAsideAs(const std::string& path, const std::string& keptPath);
  // Whether `name` is a file name keepAside gives a copy of `path`, whether or not anything bears it.
  [[nodiscard]] static bool namesKeptCopyOf(const std::string& path, std::string_view name);
  // The copy of `path` kept aside beside it under the file name `name`; empty when `name` is not the
  // name of such a copy or nothing stands there. Whatever stands there is given, a link or a file the
  // app may not read too: the person may have moved the copy away with a link left at its name, and
  // what it holds is not known to be nothing.
  [[nodiscard]] static std::string keptCopyNamed(const std::string& path, const std::string& name);
  // The file name a copy named `keptName` was kept from ("<name>" of "<name>.damaged-<date>"); `keptName`
  // itself when it is no kept copy's name. For a store that finds its kept copies by listing a folder.
  [[nodiscard]] static std::string_view nameKeptFrom(std::string_view keptName);
  // The copy of `path` kept last (by the date and number in its name); empty when there is none.
  [[nodiscard]] static std::string newestKeptCopyOf(const std::string& path);

  // What names one file on one disk whatever it is renamed to ("<device>:<inode>"); empty when `path`
  // is not there. A copy of the file has another. Read back from notes written before copies were
  // noted by name.
  [[nodiscard]] static std::string identityOf(const std::string& path);
  // The copy kept aside beside `path` that is the file `identity` names; empty when there is none.
  [[nodiscard]] static std::string keptCopyOf(const std::string& path, const std::string& identity);

  // For a file read whole and replaced whole (a property list, a preferences domain): keeps the damaged
  // file under the dated name as well (a second name for it, or where none can be made a whole copy of
  // at most kMaximumCopyBytes), flushed to disk, and leaves it in its place for its reader to replace in
  // one atomic step (AtomicFile::writeAtomically), so the place is never empty. A kill before the
  // replacement leaves the damaged file where it was, to be kept again by the next reader, never a
  // missing file that reads as one never written: the newest copy, when it still is the same file
  // under its second name, is the copy, and no other is made. Nothing is kept of anything but a regular
  // file (a link too) or of a file this process may not read: it is left as it stands and unused.
  [[nodiscard]] static ErrorOr<std::string> keepBeforeReplacing(const std::string& path);

  // For a file still in use (a database's write-ahead log, whose sound part the database still needs):
  // a copy under the same dated name, the file itself left in place. An error when it could not be
  // copied, or holds more than kMaximumCopyBytes (read whole to be copied).
  [[nodiscard]] static ErrorOr<std::string> keepCopy(const std::string& path);

  // keepAside, then a warning naming the copy: "The <what> could not be read; it is kept as <kept> and
  // <then>". Something other than a regular file in the file's place (a FIFO, a device, a link that
  // leads nowhere) is named in a warning as left in place; a file that could not be moved, in an error
  // line. Gives what keepAside gave.
  static ErrorOr<std::string> keepAsideWithWarning(const std::string& path, std::string_view what,
                                                   std::string_view then, const std::string& intoFolder = {});
  // The line keepAsideWithWarning writes, for a caller that learns how it ends only after keepAside or
  // keepBeforeReplacing. A file the app may not read is named as such in a warning, as left in place. A
  // copy is named once a run, however often it is met again.
  static void reportKept(const std::string& path, const ErrorOr<std::string>& kept, std::string_view what,
                         std::string_view then);
};

}  // namespace platform::foundation
