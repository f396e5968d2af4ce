#include "app/storage/recovery/CatalogueSeeding.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/connection/LogError.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/CatalogueSweep.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
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
  // Once anything is staged, every connection the session opens asks for the copy, and its end publishes.
  CatalogueSession::serveStagedCopies({.copyOf = &copyOf, .publish = &publish});
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
    // (1) of CataloguePlace.h: only a copy flushed beside the place is renamed into it.
    DCHECK(copy != path && AtomicFile::fileExists(copy));
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

namespace {

// The bundle's catalogue at `path`, in one step: on failure what was there stays as it was.
bool copyFromBundle(const std::string& path, const std::string& resourceName, bool syncFolderNow = true) {
  // A shared connection must not stay on the file this copy replaces.
  CatalogueSession::forget(path);
  const std::string source = CatalogueDatabase::bundlePath(resourceName);
  if (source.empty()) {
    logError("Catalogue " + resourceName + ".db is missing from the bundle");
    return false;
  }
  if (auto copied = AtomicFile::copyFile(source, path, 0644, syncFolderNow); !copied.ok()) {
    logError("Could not copy catalogue " + resourceName + ".db to " + path + ": " + copied.error().localizedDescription());
    return false;
  }
  return true;
}

}  // namespace

bool CatalogueSeeding::seedIfMissing(const std::string& path, const std::string& resourceName) {
  switch (CataloguePlace::stateOf(path)) {
    case CataloguePlace::State::File: return true;
    case CataloguePlace::State::Unreadable: return false;
    case CataloguePlace::State::Missing:
      return !copyOf(path).empty() || copyFromBundle(path, resourceName);
  }
  return false;
}

bool CatalogueSeeding::seedMissing(const CatalogueKind& kind, bool syncFolderNow) {
  const std::string path = CatalogueDatabase::libraryPath(kind.fileName);
  if (!copyOf(path).empty()) return true;
  if (!copyFromBundle(path, kind.resourceName, syncFolderNow)) return false;
  CataloguePlace::seededOverMissing(kind.fileName);
  return true;
}

std::vector<std::string> CatalogueSeeding::seedAllMissing(std::span<const CatalogueKind* const> catalogues) {
  CatalogueSweep::leftoversOf(catalogues);
  const auto missing = [](const CatalogueKind* kind) {
    return CataloguePlace::stateOf(CatalogueDatabase::libraryPath(kind->fileName)) == CataloguePlace::State::Missing;
  };
  // A catalogue whose rescue is not finished is not seeded bare: its open tries the rescue again.
  const auto rescuing = [](const CatalogueKind* kind) { return CatalogueRescue::isPending(kind->fileName); };
  std::vector<std::string> seeded;
  if (std::all_of(catalogues.begin(), catalogues.end(), missing) &&
      std::none_of(catalogues.begin(), catalogues.end(), rescuing)) {
    if (stageAll(catalogues)) {
      for (const CatalogueKind* kind : catalogues) seeded.push_back(kind->fileName);
      return seeded;
    }
    CataloguePlace::startFoundEveryCatalogueMissing(catalogues);
  }
  for (const CatalogueKind* kind : catalogues) {
    if (rescuing(kind) || !missing(kind)) continue;
    if (seedMissing(*kind, false)) seeded.push_back(kind->fileName);
  }
  if (!seeded.empty()) {
    AtomicFile::syncFolder(platform::foundation::Paths::library());
    removeStaleCopies(catalogues);
  }
  return seeded;
}

bool CatalogueSeeding::replaceWithBundleCopy(const std::string& path, const std::string& resourceName) {
  return copyFromBundle(path, resourceName);
}

}  // namespace app::storage

