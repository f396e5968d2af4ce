#include "platform/security/Keychain.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/security/Digest.h"

namespace platform::security {
namespace {

using foundation::AtomicFile;
using foundation::Data;
using foundation::Dictionary;
using foundation::PropertyList;
using foundation::Value;

constexpr const char* kLockFileName = ".lock";
constexpr const char* kItemSuffix = ".item";

// Names `what` stands at `path` in a warning the first time this run meets it there: the keychain
// meets it again at every call.
void nameOnce(const std::string& path, const std::string& what) {
  const std::string standing = AtomicFile::whatStandsAt(path).words();
  platform::log::writeOnce(platform::log::Warning, path + '\n' + standing, path + " is " + standing + ", " + what);
}

// An flock on the folder's lock file; each holder opens the file itself, so threads of one process
// exclude each other just as processes do.
class FolderLock {
 public:
  FolderLock(const std::string& folder, int operation) {
    if (folder.empty()) return;  // no folder of the keychain's own: named where it was looked for
    const std::string path = folder + "/" + kLockFileName;
    fd_ = AtomicFile::openLockFile(path);
    if (fd_ < 0) {
      if (AtomicFile::anythingAt(path)) nameOnce(path, "which is left in place; the keychain is not used while it stands there");
      return;
    }
    while (::flock(fd_, operation) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string sha256Hex(const std::string& text, std::size_t digits) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (std::uint8_t byte : sha256(bytesOf(text))) {
    if (out.size() >= digits) break;
    out += hex[byte >> 4];
    out += hex[byte & 15];
  }
  return out;
}

std::string stringAttribute(const Dictionary& attributes, const char* key) {
  auto found = attributes.find(key);
  return found != attributes.end() && found->second.isString() ? *found->second.string() : std::string();
}

bool isKeyClass(const Dictionary& attributes) {
  auto found = attributes.find(Keychain::kClass);
  return found != attributes.end() && found->second == Value(Keychain::kClassKey);
}

std::string dataAttribute(const Dictionary& attributes, const char* key) {
  auto found = attributes.find(key);
  const Data* data = found != attributes.end() ? found->second.data() : nullptr;
  return data ? std::string(data->begin(), data->end()) : std::string();
}

// Items of one service and account share the first half of their file name, so a query that names
// both finds its candidates from the listing alone. Key items are named by tag and type the same way.
std::string identityPrefix(const Dictionary& attributes) {
  if (isKeyClass(attributes)) {
    std::string key = std::string(Keychain::kClassKey) + '\0' + dataAttribute(attributes, Keychain::kApplicationTag) +
                      '\0' + stringAttribute(attributes, Keychain::kKeyType);
    return sha256Hex(key, 32) + "-";
  }
  std::string key = std::string(Keychain::kClassGenericPassword) + '\0' + stringAttribute(attributes, Keychain::kService) +
                    '\0' + stringAttribute(attributes, Keychain::kAccount);
  return sha256Hex(key, 32) + "-";
}

bool isKnownClass(const Value& value) {
  return value == Value(Keychain::kClassGenericPassword) || value == Value(Keychain::kClassKey);
}

std::string fileNameFor(const Dictionary& attributes) {
  return identityPrefix(attributes) + sha256Hex(stringAttribute(attributes, Keychain::kAccessGroup), 16) + kItemSuffix;
}

struct ParsedQuery {
  Dictionary attributes;
  bool returnData = false;
  bool returnAttributes = false;
  bool all = false;
};

enum class Use { Query, Add, Changes };

Status parse(const Value& input, Use use, ParsedQuery& out) {
  const Dictionary* fields = input.dictionary();
  if (!fields) return kStatusParam;
  for (const auto& [key, value] : *fields) {
    if (key == Keychain::kClass) {
      if (use == Use::Changes || !isKnownClass(value)) return kStatusParam;
      out.attributes[key] = value;
    } else if (key == Keychain::kKeyType) {
      if (!value.isString()) return kStatusParam;
      out.attributes[key] = value;
    } else if (key == Keychain::kApplicationTag) {
      if (!value.isData()) return kStatusParam;
      out.attributes[key] = value;
    } else if (key == Keychain::kService || key == Keychain::kAccount || key == Keychain::kAccessGroup ||
               key == Keychain::kAccessible) {
      if (!value.isString()) return kStatusParam;
      out.attributes[key] = value;
    } else if (key == Keychain::kGeneric) {
      if (!value.isString() && !value.isData()) return kStatusParam;
      out.attributes[key] = value;
    } else if (key == Keychain::kValueData) {
      if (!value.isData() || use == Use::Query) return kStatusParam;
      out.attributes[key] = value;
    } else if (use == Use::Query && (key == Keychain::kReturnData || key == Keychain::kReturnAttributes)) {
      if (!value.isNumber()) return kStatusParam;
      (key == Keychain::kReturnData ? out.returnData : out.returnAttributes) = value.toBool();
    } else if (use == Use::Query && key == Keychain::kMatchLimit) {
      if (value != Value(Keychain::kMatchLimitOne) && value != Value(Keychain::kMatchLimitAll)) return kStatusParam;
      out.all = value == Value(Keychain::kMatchLimitAll);
    } else if (use == Use::Query && (key == Keychain::kCreationDate || key == Keychain::kModificationDate)) {
      out.attributes[key] = value;
    } else {
      return kStatusParam;
    }
  }
  if (use != Use::Changes && !fields->count(Keychain::kClass)) return kStatusParam;
  return kStatusSuccess;
}

struct Candidate {
  std::string path;
  bool identityMatches = false;  // its name alone shows it has the queried service and account
};

std::vector<Candidate> candidates(const std::string& folder, const Dictionary& query) {
  bool named = isKeyClass(query) ? query.count(Keychain::kApplicationTag) && query.count(Keychain::kKeyType)
                                 : query.count(Keychain::kService) && query.count(Keychain::kAccount);
  std::string prefix = named ? identityPrefix(query) : std::string();
  std::string exact = named && query.count(Keychain::kAccessGroup) ? fileNameFor(query) : std::string();
  std::vector<Candidate> out;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.empty() || name.front() == '.' || !name.ends_with(kItemSuffix)) {
      continue;  // the lock file, temporary files of a write in progress, strangers
    }
    if (!exact.empty() ? name != exact : name.compare(0, prefix.size(), prefix) != 0) continue;
    out.push_back({folder + "/" + name, named});
  }
  ::closedir(dir);
  return out;
}

// MayNotRead: a file this process may not open (another user's, or of mode 000). Nothing says it is
// damaged: it is left as it stands, unused, and never taken for a missing item.
enum class ReadResult { Item, Gone, Damaged, MayNotRead };

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
ReadResult readItem(const std::string& path, Dictionary& item) {
  auto bytes = AtomicFile::readFile(path, Keychain::kMaximumItemBytes);
  if (!bytes.ok() && AtomicFile::mayNotRead(path)) {
    nameOnce(path, "which is left in place and not used");
    return ReadResult::MayNotRead;
  }
  if (!bytes.ok()) return AtomicFile::anythingAt(path) ? ReadResult::Damaged : ReadResult::Gone;
  Value value = PropertyList::read(*bytes);
  const Dictionary* fields = value.dictionary();
  // An item must live under the name its own attributes give it, or a query would find it in the wrong place.
  bool valid = fields && fields->count(Keychain::kClass) && isKnownClass(fields->at(Keychain::kClass)) &&
               std::string_view(path).ends_with("/" + fileNameFor(*fields));
  if (!valid) {
    platform::log::write(platform::log::Warning, "keychain item " + path + " is damaged");
    return ReadResult::Damaged;
  }
  item = *fields;
  return ReadResult::Item;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool matches(const Dictionary& item, const Dictionary& query) {
  for (const auto& [key, wanted] : query) {
    auto found = item.find(key);
    if (found == item.end() || found->second != wanted) return false;
  }
  return true;
}

Status writeItem(const std::string& folder, const Dictionary& item) {
  Data bytes = PropertyList::write(Value(item), PropertyList::Format::Binary);
  // Past the bound, the next read would take the item for a damaged one.
  if (bytes.empty() || bytes.size() > Keychain::kMaximumItemBytes) return kStatusParam;
  if (auto written = AtomicFile::writeAtomically(folder + "/" + fileNameFor(item), bytes.data(), bytes.size(), 0600);
      !written.ok()) {
    platform::log::write(platform::log::Error, "keychain: " + written.error().localizedDescription());
    return kStatusIO;
  }
  return kStatusSuccess;
}

// Matching items of a locked folder: the intact ones, and the files that might have been one but are
// damaged or may not be read.
struct Matches {
  std::vector<std::pair<std::string, Dictionary>> items;
  std::vector<std::string> damagedCandidates;
  std::vector<std::string> unreadableCandidates;

  // The status of a call that found no intact item.
  Status withoutItems() const {
    if (!unreadableCandidates.empty()) return kStatusInteractionNotAllowed;
    return damagedCandidates.empty() ? kStatusItemNotFound : kStatusDecode;
  }
};

Matches findMatches(const std::string& folder, const Dictionary& query, bool all) {
  Matches out;
  for (const Candidate& candidate : candidates(folder, query)) {
    Dictionary item;
    ReadResult read = readItem(candidate.path, item);
    if (read == ReadResult::Damaged && candidate.identityMatches) out.damagedCandidates.push_back(candidate.path);
    if (read == ReadResult::MayNotRead && candidate.identityMatches) out.unreadableCandidates.push_back(candidate.path);
    if (read != ReadResult::Item || !matches(item, query)) continue;
    out.items.emplace_back(candidate.path, std::move(item));
    if (!all) break;
  }
  return out;
}

// A damaged item's file goes; whatever else stands in an item's place (a FIFO, a device, a link) was
// put there by someone else and stays, named.
bool removeDamaged(const std::string& path) {
  const foundation::PathKind standing = AtomicFile::whatStandsAt(path);
  if (!standing.isPlainFile()) {
    platform::log::write(platform::log::Warning, "keychain item " + path + " is " + standing.words() +
                                                     ", not a regular file; it is left in place");
    return false;
  }
  return AtomicFile::removeFile(path).ok();
}

Value resultFor(const Dictionary& item, const ParsedQuery& query) {
  if (query.returnAttributes) {
    Dictionary attributes = item;
    if (!query.returnData) attributes.erase(Keychain::kValueData);
    return Value(std::move(attributes));
  }
  if (query.returnData) {
    auto found = item.find(Keychain::kValueData);
    return found == item.end() ? Value::data({}) : found->second;
  }
  return Value();
}

}  // namespace

std::string Keychain::folder() {
  std::string path = foundation::Paths::library() + "/Keychains";
  struct stat info {};
  // A folder that cannot be made or looked at fails every call at its lock, as one that cannot be written.
  if (::lstat(path.c_str(), &info) != 0 && (::mkdir(path.c_str(), 0700) != 0 || ::lstat(path.c_str(), &info) != 0)) {
    return path;
  }
  if (!S_ISDIR(info.st_mode)) {
    // A link, even to a folder, leads out of the container: what it leads to is not the keychain's to
    // make files in or to close to others.
    nameOnce(path, "not a folder of the container's own; it is left in place and the keychain is not used while it stands there");
    return {};
  }
  if ((info.st_mode & 0777) != 0700) ::chmod(path.c_str(), 0700);
  return path;
}

Status Keychain::copyMatching(const Value& query, Value* result) {
  if (result) *result = Value();
  ParsedQuery parsed;
  if (Status status = parse(query, Use::Query, parsed); status != kStatusSuccess) return status;
  std::string dir = folder();
  FolderLock lock(dir, LOCK_SH);
  if (!lock.held()) return kStatusIO;
  Matches found = findMatches(dir, parsed.attributes, parsed.all);
  if (found.items.empty()) return found.withoutItems();
  if (!result) return kStatusSuccess;
  if (!parsed.all) {
    *result = resultFor(found.items.front().second, parsed);
  } else if (parsed.returnData || parsed.returnAttributes) {
    foundation::Array list;
    for (const auto& entry : found.items) list.push_back(resultFor(entry.second, parsed));
    *result = Value(std::move(list));
  }
  return kStatusSuccess;
}

Status Keychain::add(const Value& attributes) {
  ParsedQuery parsed;
  if (Status status = parse(attributes, Use::Add, parsed); status != kStatusSuccess) return status;
  Dictionary item = parsed.attributes;
  if (isKeyClass(item)) {
    if (!item.count(kApplicationTag)) item[kApplicationTag] = Value::data({});
    for (const char* key : {kKeyType, kAccessGroup}) {
      if (!item.count(key)) item[key] = Value("");
    }
  } else {
    for (const char* key : {kService, kAccount, kAccessGroup}) {
      if (!item.count(key)) item[key] = Value("");
    }
  }
  if (!item.count(kAccessible)) item[kAccessible] = Value(kAccessibleWhenUnlocked);
  double now = foundation::Clock::current()->now();
  item[kCreationDate] = Value::date(now);
  item[kModificationDate] = Value::date(now);

  std::string dir = folder();
  FolderLock lock(dir, LOCK_EX);
  if (!lock.held()) return kStatusIO;
  std::string path = dir + "/" + fileNameFor(item);
  if (AtomicFile::anythingAt(path)) {
    Dictionary existing;
    switch (readItem(path, existing)) {
      case ReadResult::Damaged: return kStatusDecode;
      case ReadResult::MayNotRead: return kStatusInteractionNotAllowed;
      default: return kStatusDuplicateItem;
    }
  }
  return writeItem(dir, item);
}

Status Keychain::update(const Value& query, const Value& changes) {
  ParsedQuery parsedQuery, parsedChanges;
  if (Status status = parse(query, Use::Query, parsedQuery); status != kStatusSuccess) return status;
  if (Status status = parse(changes, Use::Changes, parsedChanges); status != kStatusSuccess) return status;
  std::string dir = folder();
  FolderLock lock(dir, LOCK_EX);
  if (!lock.held()) return kStatusIO;
  Matches found = findMatches(dir, parsedQuery.attributes, true);
  if (found.items.empty()) return found.withoutItems();
  double now = foundation::Clock::current()->now();
  for (auto& [path, item] : found.items) {
    for (const auto& [key, value] : parsedChanges.attributes) item[key] = value;
    item[kModificationDate] = Value::date(now);
    std::string newPath = dir + "/" + fileNameFor(item);
    if (newPath != path && AtomicFile::anythingAt(newPath)) return kStatusDuplicateItem;
    if (Status status = writeItem(dir, item); status != kStatusSuccess) return status;
    if (newPath == path) continue;
    // Left in place, the old file would still answer queries for the item's former attributes.
    if (auto removed = AtomicFile::removeFile(path); !removed.ok()) {
      platform::log::write(platform::log::Error, "keychain: " + removed.error().localizedDescription());
      return kStatusIO;
    }
  }
  return kStatusSuccess;
}

Status Keychain::remove(const Value& query) {
  ParsedQuery parsed;
  if (Status status = parse(query, Use::Query, parsed); status != kStatusSuccess) return status;
  std::string dir = folder();
  FolderLock lock(dir, LOCK_EX);
  if (!lock.held()) return kStatusIO;
  Matches found = findMatches(dir, parsed.attributes, true);
  // One the app may not read stays, and so does every other match: its owner decides, and a removal
  // is all or nothing.
  if (!found.unreadableCandidates.empty()) return kStatusInteractionNotAllowed;
  // A damaged file can still be deleted when its name alone shows it is the item asked for.
  bool identityOnly = true;
  for (const auto& [key, value] : parsed.attributes) {
    if (key != kClass && key != kService && key != kAccount && key != kAccessGroup && key != kApplicationTag &&
        key != kKeyType) {
      identityOnly = false;
    }
  }
  std::size_t removed = 0;
  for (const auto& entry : found.items) removed += AtomicFile::removeFile(entry.first).ok() ? 1 : 0;
  if (identityOnly) {
    for (const auto& path : found.damagedCandidates) removed += removeDamaged(path) ? 1 : 0;
  } else if (removed == 0 && !found.damagedCandidates.empty()) {
    return kStatusDecode;
  }
  if (found.items.empty() && found.damagedCandidates.empty()) return kStatusItemNotFound;
  return removed == 0 ? kStatusIO : kStatusSuccess;
}

Status Keychain::keepDamagedAside(const Value& query) {
  ParsedQuery parsed;
  if (Status status = parse(query, Use::Query, parsed); status != kStatusSuccess) return status;
  std::string dir = folder();
  FolderLock lock(dir, LOCK_EX);
  if (!lock.held()) return kStatusIO;
  const Matches found = findMatches(dir, parsed.attributes, true);
  const std::string what = "keychain item " + stringAttribute(parsed.attributes, kService) + " " +
                           stringAttribute(parsed.attributes, kAccount);
  std::size_t kept = 0;
  for (const auto& path : found.damagedCandidates) {
    kept += foundation::DamagedFile::keepAsideWithWarning(path, what, "a new value may take its place").ok() ? 1 : 0;
  }
  return kept == 0 ? kStatusItemNotFound : kStatusSuccess;
}

std::vector<std::string> Keychain::keepItemsAside(const Value& query, const Data* onlyWithValue) {
  ParsedQuery parsed;
  if (parse(query, Use::Query, parsed) != kStatusSuccess) return {};
  std::string dir = folder();
  FolderLock lock(dir, LOCK_EX);
  if (!lock.held()) return {};
  std::vector<std::string> kept;
  for (const auto& [path, item] : findMatches(dir, parsed.attributes, true).items) {
    if (onlyWithValue) {
      auto value = item.find(kValueData);
      const Data* data = value != item.end() ? value->second.data() : nullptr;
      if (!data || *data != *onlyWithValue) continue;
    }
    if (auto copy = foundation::DamagedFile::keepAside(path); copy.ok()) kept.push_back(std::move(copy).value());
  }
  return kept;
}

}  // namespace platform::security
