#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/PathKind.h"

namespace platform::foundation {

// Whole-file reads and writes for files that must never be seen half-written: the preference file,
// property lists, catalogue copies, keychain items. A write goes to a temporary file in the same folder,
// is flushed to disk and then renamed over the target, so a reader (or a crash) sees either the old
// file or the new one, never a mixture. On failure the temporary file is removed and the old file is
// left exactly as it was. Only a regular file (or a link to one) is ever replaced: anything else standing
// at the path (a FIFO, a device, a link that leads nowhere), and a file this process may not read, is
// left in place and the write fails. A link the person made to a file is used as that file: the write
// goes beside the file it leads to and takes that file's place, and the link stays. A failure is an Error in kErrorDomain whose code is the system's errno and
// whose description names the failing step, the path and the system's reason ("cannot open <path>: No
// such file or directory").
class AtomicFile {
 public:
  static constexpr const char* kErrorDomain = "NSPOSIXErrorDomain";

  // With `syncFolderNow` false a power cut may bring back the file as it was before (never a torn one).
  // Raw bytes are typed so that text (a literal, a c_str()) always takes the overload below: as a
  // `const void*` it would read the mode as a byte count.
  static ErrorOr<void> writeAtomically(const std::string& path, const std::uint8_t* bytes, size_t size,
                                       mode_t mode = 0644, bool syncFolderNow = true);
  static ErrorOr<void> writeAtomically(const std::string& path, std::string_view bytes, mode_t mode = 0644);
  // For files made afresh on every run from what the program holds (a script's shots and dumps), which
  // nothing reads back: the same all-or-nothing replacement, without waiting for the disk. A reader
  // still never sees half a file; a power cut may lose the new one or leave it empty.
  static ErrorOr<void> writeReproducible(const std::string& path, const std::uint8_t* bytes, size_t size);
  static ErrorOr<void> writeReproducible(const std::string& path, std::string_view bytes);

  // Reads a stored file whole. Only a regular file is read (a link is followed to one), and only up to
  // `maximumBytes`, the most that any writer of that kind of file makes: a FIFO, a device, a folder, a
  // link that leads nowhere or round in a loop, or a file past the bound (an endless one too) is refused
  // with an error that says what stands there. Opening never waits, for a writer at the far end of a
  // FIFO or for a device. Each reader passes the bound of its own kind of file; the default is only
  // for reads of no particular kind, such as a test's.
  static constexpr std::size_t kDefaultMaximumBytes = std::size_t{64} << 20;
  static ErrorOr<std::vector<uint8_t>> readFile(const std::string& path, std::size_t maximumBytes = kDefaultMaximumBytes);
  static ErrorOr<std::string> readText(const std::string& path, std::size_t maximumBytes = kDefaultMaximumBytes);

  // The file a write to `path` replaces: where a link to a regular file leads (followed to its end), else
  // `path` itself. Its folder is where the write's temporary is made, and swept.
  [[nodiscard]] static std::string fileBehind(const std::string& path);
  // A regular file, a folder or anything else that stat(2) finds (symbolic links are followed).
  [[nodiscard]] static bool fileExists(const std::string& path);
  // Whether anything at all stands at `path`, a link that leads nowhere included: only where nothing
  // does is a file missing (and a start the first).
  [[nodiscard]] static bool anythingAt(const std::string& path);
  // What stands at `path` (PathKind: what to decide by, and its words for a message).
  [[nodiscard]] static PathKind whatStandsAt(const std::string& path) { return PathKind::at(path); }
  // A regular file (or a link to one) that this process may not open for reading, its owner or mode
  // forbidding it: what it holds is unknown, not damaged, and it is no one's to replace or move but its
  // owner's. Looks without waiting.
  [[nodiscard]] static bool mayNotRead(const std::string& path);
  [[nodiscard]] static bool isDirectory(const std::string& path);
  // Why no folder stands at `path`, for a message ("it is a link in a loop, not a folder"); empty when a
  // folder or a link to one stands there, or nothing does. Looks without throwing or waiting.
  [[nodiscard]] static std::string notAFolder(const std::string& path);
  // Why no file may be opened or made at `path`, for a message ("it is a link that leads nowhere, not a
  // file"); empty when a regular file or a link to one stands there, or nothing does. Whatever opens or
  // makes a file through a path that may be a link looks here first: a link the person made to a file
  // is used as that file, and one that leads nowhere or in a loop is never followed to make one at its
  // far end. Looks without throwing or waiting.
  [[nodiscard]] static std::string notAFile(const std::string& path);
  // Opens the file at `path` for appending, made with `mode` where nothing stands, as a log is. Only a
  // regular file (a link is followed to one) is opened, and opening never waits: a FIFO, a device, a
  // folder, a link that leads nowhere (whose far end is not made) or round in a loop is left in place
  // and refused with an error that says what stands there. The descriptor is the caller's to close.
  static ErrorOr<int> openForAppending(const std::string& path, mode_t mode = 0644);
  // Opens the lock file at `path` for flock(2), made with mode 0600 where nothing stands: never through
  // a link, whose far end would be made wherever it leads, and never waiting on a FIFO. -1 when anything
  // but a regular file stands there, which is left in place, or the file cannot be opened.
  [[nodiscard]] static int openLockFile(const std::string& path);
  // Removes a file (not a folder); a file that is already gone counts as removed.
  static ErrorOr<void> removeFile(const std::string& path);
  // Removes what a writer of the app's left at a name only it uses (a scratch or staged copy, a note):
  // a regular file. Anything else standing there (a link, a FIFO, a folder) is someone else's and is
  // left in place. True when a file went.
  static bool removeLeftover(const std::string& path);
  // Copies the regular file `from` to `to`, where nothing may stand yet: written under a temporary name,
  // flushed with its folder, and renamed into place without replacing anything, so whatever bears the
  // name is the whole copy. The temporary is named as one of `from`'s (".<from's name>.XXXXXX" beside
  // `to`): a kill leaves at most that, which the sweep of `from`'s temporaries removes. An error of code
  // EEXIST when something stands at `to`, of EACCES when `from` is a file this process may not read.
  static ErrorOr<void> copyToNewFile(const std::string& from, const std::string& to, mode_t mode = 0600);
  // Copies `from` over `to` atomically, streaming, so large catalogue files need no big buffer.
  // With `syncFolderNow` false the caller syncs the folder itself (once for several copies, with
  // syncFolder); until then the new name may not survive a power cut.
  static ErrorOr<void> copyFile(const std::string& from, const std::string& to, mode_t mode = 0644,
                                bool syncFolderNow = true);
  // Makes the folder's entries (renamed or created files) durable.
  static void syncFolder(const std::string& folder);
  // mkdir -p; an existing folder (or a link to one) is success. Anything else in the way is left in
  // place and named in the error ("cannot create <path>: it is a FIFO, not a folder").
  static ErrorOr<void> createDirectories(const std::string& path);
  // Removes the temporary files of writes that died before their rename (".<name>.XXXXXX" in `folder`)
  // once they are more than `maximumAge` seconds old by the process clock, or dated in the future. A
  // temporary whose writer is still at work is passed by whatever its date (on a virtual clock a file
  // just made can look future-dated). Stores call it when they open their folder. Returns how many went.
  // For a link in the folder to a file elsewhere, that file's temporaries beside it go too.
  static std::size_t removeStaleTemporaries(const std::string& folder, double maximumAge = 3600);
  // The same sweep, for the temporaries of the one file at `path` (".<its name>.XXXXXX" beside it, and
  // beside the file a link there leads to): for a folder the person's own files share, where a hidden
  // file of theirs could look like a temporary.
  static std::size_t removeStaleTemporariesOf(const std::string& path, double maximumAge = 3600);
};

}  // namespace platform::foundation
