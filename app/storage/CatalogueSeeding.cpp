#include "app/storage/CatalogueSeeding.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CataloguePlace.h"
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/LogError.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"

using platform::foundation::AtomicFile;

namespace app::storage {

namespace {

// Library path -> the copy serving it until publish(). Catalogues are used on the main thread only.
std::map<std::string, std::string>& staged() {
  static std::map<std::string, std::string> copies;
  return copies;
}

std::string copyPathFor(const std::string& path) { return path + ".seeding"; }

// Not flushed: publish() flushes it once the start's writes are in. Writable whatever the bundle
// file's mode, and replacing a copy a stopped start left. Anything else at that name (a link, which the
// copy would follow to make the file at its far end, a FIFO) is someone else's: the catalogue is then
// seeded in its place instead.
bool copyUnflushed(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  if (const auto standing = AtomicFile::whatStandsAt(to); !standing.isNothing() && !standing.isPlainFile()) {
    return false;
  }
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (!ec) {
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                    ec);
  }
  if (ec) logError("Could not copy catalogue " + from + " to " + to + ": " + ec.message());
  return !ec;
}

void unstage(const std::string& path) {
  (void)AtomicFile::removeLeftover(copyPathFor(path));  // a copy left behind goes with the next start's stale copies
  staged().erase(path);
}

}  // namespace

bool CatalogueSeeding::stageAll(std::span<const CatalogueKind* const> catalogues) {
  if (!CatalogueSession::active() || !staged().empty()) return false;
  for (const CatalogueKind* kind : catalogues) {
    if (CataloguePlace::stateOf(CatalogueDatabase::libraryPath(kind->fileName)) != CataloguePlace::State::Missing) return false;
  }
  for (const CatalogueKind* kind : catalogues) {
    const std::string path = CatalogueDatabase::libraryPath(kind->fileName);
    const std::string source = CatalogueDatabase::bundlePath(kind->resourceName);
    if (source.empty() || !copyUnflushed(source, copyPathFor(path))) {
      // Seeded the usual way instead, which says what is missing.
      for (const CatalogueKind* done : catalogues) unstage(CatalogueDatabase::libraryPath(done->fileName));
      return false;
    }
    CatalogueSession::forget(path);
    staged().emplace(path, copyPathFor(path));
  }
  return true;
}

void CatalogueSeeding::removeStaleCopies(std::span<const CatalogueKind* const> catalogues) {
  for (const CatalogueKind* kind : catalogues) {
    const std::string path = CatalogueDatabase::libraryPath(kind->fileName);
    if (!staged().contains(path)) (void)AtomicFile::removeLeftover(copyPathFor(path));  // tried again next start
  }
}

std::string CatalogueSeeding::copyOf(const std::string& path) {
  const auto found = staged().find(path);
  return found == staged().end() ? std::string() : found->second;
}

bool CatalogueSeeding::publish() {
  if (staged().empty()) return true;
  bool all = true;
  std::vector<std::pair<std::string, std::string>> flushed;
  for (const auto& [path, copy] : staged()) {
    // A connection left open on the copy would go on writing it, unflushed, under the catalogue's name.
    if (!CatalogueSession::release(path)) {
      logError("The new catalogue " + path + " is still in use; it is put in place later");
      all = false;
      continue;
    }
    if (!CatalogueReplacement::flushToDisk(copy)) {
      logError("Could not flush the new catalogue " + copy + "; it is seeded again on the next start");
      all = false;
      continue;
    }
    flushed.emplace_back(path, copy);
  }
  for (const auto& [path, copy] : flushed) {
    if (std::rename(copy.c_str(), path.c_str()) != 0) {
      logError("Could not put the new catalogue " + path + " in place; it is seeded again on the next start");
      all = false;
    }
    unstage(path);
  }
  if (!flushed.empty()) AtomicFile::syncFolder(platform::foundation::Paths::library());
  // A copy that could not be flushed is dropped: the catalogue is then missing and seeded the usual way.
  for (auto it = staged().begin(); it != staged().end();) {
    if (CatalogueSession::release(it->first)) {
      (void)AtomicFile::removeLeftover(it->second);  // a copy left behind goes with the next start's stale copies
      it = staged().erase(it);
    } else {
      ++it;
    }
  }
  return all;
}

}  // namespace app::storage

