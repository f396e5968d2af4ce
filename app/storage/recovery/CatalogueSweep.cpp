#include "app/storage/recovery/CatalogueSweep.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/foundation/Paths.h"

using platform::foundation::AtomicFile;
using platform::foundation::DatabaseSideFiles;

namespace app::storage {

namespace {

// SQLite names a super-journal "<main database>-mj" and nine upper-case hexadecimal digits.
bool isSuperJournalOf(std::string_view name, std::string_view catalogue) {
  constexpr std::size_t kDigits = 9;
  if (name.size() != catalogue.size() + 3 + kDigits || !name.starts_with(catalogue) ||
      name.substr(catalogue.size(), 3) != "-mj") {
    return false;
  }
  return std::all_of(name.end() - kDigits, name.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// Up to `length` bytes of the regular file `fd` from `offset`; empty when they cannot all be read.
std::string readAt(int fd, off_t offset, std::size_t length) {
  std::string bytes(length, '\0');
  return ::pread(fd, bytes.data(), length, offset) == static_cast<ssize_t>(length) ? bytes : std::string();
}

// The super-journal the journal at `path` commits through, as SQLite writes it at the journal's end
// (the name, its length and checksum, then a magic number); empty when it names none.
std::string superJournalNamedBy(const std::string& path) {
  constexpr std::array<unsigned char, 8> kMagic = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  std::string name;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 16) {
    const std::string tail = readAt(fd, info.st_size - 16, 16);
    if (!tail.empty() && std::equal(kMagic.begin(), kMagic.end(), tail.begin() + 8,
                                    [](unsigned char magic, char byte) { return magic == static_cast<unsigned char>(byte); })) {
      uint32_t length = 0;
      for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<unsigned char>(tail[static_cast<std::size_t>(i)]);
      if (length > 0 && length <= 65536 && static_cast<off_t>(length) + 16 <= info.st_size) {
        name = readAt(fd, info.st_size - 16 - static_cast<off_t>(length), length);
      }
    }
  }
  ::close(fd);
  return name;
}

// Whether a journal the super-journal at `path` lists still commits through it; true too when the
// super-journal cannot be read whole, since it may then still be needed.
bool stillNeeded(const std::string& path) {
  constexpr off_t kLongest = 64 * 1024;  // a few paths
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return true;
  struct stat info {};
  std::string names;
  const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLongest &&
                    (info.st_size == 0 || !(names = readAt(fd, 0, static_cast<std::size_t>(info.st_size))).empty());
  ::close(fd);
  if (!read) return true;
  for (std::size_t at = 0; at < names.size();) {
    const std::size_t end = std::min(names.find('\0', at), names.size());
    const std::string journal = names.substr(at, end - at);
    at = end + 1;
    if (journal.empty()) continue;
    const std::string named = superJournalNamedBy(journal);
    // A journal cut short before it names its super-journal is rolled back without it.
    if (!named.empty() && named == path) return true;
  }
  return false;
}

std::size_t removeSuperJournalsOf(const std::string& fileName) {
  namespace fs = std::filesystem;
  std::error_code error;
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(platform::foundation::Paths::library(), error)) {
    if (isSuperJournalOf(entry.path().filename().native(), fileName)) found.push_back(entry.path().native());
  }
  std::size_t removed = 0;
  for (const auto& superJournal : found) {
    if (!stillNeeded(superJournal) && ::unlink(superJournal.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace

std::size_t CatalogueSweep::leftoversOf(std::span<const CatalogueKind* const> catalogues) {
  std::size_t removed = 0;
  for (const CatalogueKind* kind : catalogues) {
    const std::string fileName = kind->fileName;
    const std::string path = CatalogueDatabase::libraryPath(fileName);
    const std::string staging = CatalogueReplacement::stagingPath(fileName);
    for (const std::string& written : {path, staging, CatalogueRescue::notePath(path)}) {
      removed += AtomicFile::removeStaleTemporariesOf(written, 0);
    }
    removed += AtomicFile::removeLeftover(staging);
    removed += AtomicFile::removeLeftover(DatabaseSideFiles::of(staging, DatabaseSideFiles::kJournal));
    if (!CatalogueRescue::isPending(fileName)) removed += AtomicFile::removeLeftover(CatalogueRescue::scratchPath(path));
    removed += removeSuperJournalsOf(fileName);
  }
  return removed;
}

}  // namespace app::storage
