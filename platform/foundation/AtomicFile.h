#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

// Whole-file reads and writes for files that must never be seen half-written: the preference file,
// property lists, catalogue copies, keychain items. A write goes to a temporary file in the same folder,
// is flushed to disk and then renamed over the target, so a reader (or a crash) sees either the old
// file or the new one, never a mixture. On failure the temporary file is removed and the old file is
// left exactly as it was. Error texts, when asked for, name the failing step and the system's reason.
class AtomicFile {
 public:
  // With `syncFolderNow` false a power cut may bring back the file as it was before (never a torn one).
  static bool writeAtomically(const std::string& path, const void* bytes, size_t size,
                              std::string* error = nullptr, mode_t mode = 0644, bool syncFolderNow = true);
  static bool writeAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                              mode_t mode = 0644);

  static std::optional<std::vector<uint8_t>> readFile(const std::string& path, std::string* error = nullptr);
  static std::optional<std::string> readText(const std::string& path, std::string* error = nullptr);

  // A regular file, a folder or anything else that stat(2) finds (symbolic links are followed).
  static bool fileExists(const std::string& path);
  static bool isDirectory(const std::string& path);
  // Removes a file (not a folder); a file that is already gone counts as removed.
  static bool removeFile(const std::string& path, std::string* error = nullptr);
  // Copies `from` over `to` atomically, streaming, so large catalogue files need no big buffer.
  // With `syncFolderNow` false the caller syncs the folder itself (once for several copies, with
  // syncFolder); until then the new name may not survive a power cut.
  static bool copyFile(const std::string& from, const std::string& to, std::string* error = nullptr,
                       mode_t mode = 0644, bool syncFolderNow = true);
  // Makes the folder's entries (renamed or created files) durable.
  static void syncFolder(const std::string& folder);
  // mkdir -p; an existing folder is success.
  static bool createDirectories(const std::string& path, std::string* error = nullptr);
  // Removes the temporary files of writes that died before their rename (".<name>.XXXXXX" in `folder`)
  // once they are more than `maximumAge` seconds old by the process clock, or dated in the future, which
  // no write in progress can be. Stores call it when they open their folder. Returns how many went.
  static std::size_t removeStaleTemporaries(const std::string& folder, double maximumAge = 3600);
};

}  // namespace platform::foundation
