#include "app/storage/CatalogueRescue.h"

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CataloguePlace.h"
#include "app/storage/CatalogueSalvage.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;
using platform::foundation::DamagedFile;

namespace app::storage {

namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string what(const std::string& fileName) { return "catalogue " + fileName; }

// The scratch copy goes whatever happened, for the room it takes; the note only with the rescue (2).
void settle(const std::string& path, bool ended) {
  static_cast<void>(AtomicFile::removeFile(CatalogueRescue::scratchPath(path)));
  if (ended) static_cast<void>(AtomicFile::removeFile(CatalogueRescue::notePath(path)));
}

}  // namespace

std::string CatalogueRescue::notePath(const std::string& path) { return path + ".rescuing"; }
std::string CatalogueRescue::scratchPath(const std::string& path) { return path + ".readable"; }

bool CatalogueRescue::isPendingAt(const std::string& path) { return AtomicFile::fileExists(notePath(path)); }
bool CatalogueRescue::isPending(const std::string& fileName) { return isPendingAt(CatalogueDatabase::libraryPath(fileName)); }

bool CatalogueRescue::keepAsideAndReplace(const std::string& fileName, const std::string& resourceName,
                                          CarryRows carryRows) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (auto noted = AtomicFile::writeAtomically(notePath(path), DamagedFile::identityOf(path)); !noted.ok()) {
    platform::log::write(platform::log::Warning, "The " + what(fileName) + " could not be read, and its rescue cannot begin (" +
                                                     noted.error().localizedDescription() +
                                                     "); it is left as it is, not used, and tried again later");
    return false;
  }
  const std::string kept = DamagedFile::keepAside(path);
  const Attempt attempt = kept.empty() ? Attempt{.ended = true, .then = {}} : replaceFrom(kept, fileName, resourceName, carryRows);
  DamagedFile::reportKept(path, kept, what(fileName), attempt.then);
  settle(path, attempt.ended);
  return !kept.empty() && attempt.ended;
}

bool CatalogueRescue::resume(const std::string& fileName, const std::string& resourceName, CarryRows carryRows) {
  if (!isPending(fileName)) return true;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const std::string damaged = AtomicFile::readText(notePath(path)).valueOr({});
  const std::string kept = DamagedFile::keptCopyOf(path, damaged);
  if (kept.empty()) {
    // Cut short before the move aside: the open finds the file damaged again.
    settle(path, true);
    return true;
  }
  const auto place = CataloguePlace::stateOf(path);
  // Something else put in the empty place (a link, a FIFO): the open names it, and the rescue waits.
  if (place == CataloguePlace::State::Unreadable) return true;
  if (place == CataloguePlace::State::File) {
    // Cut short after the fresh copy was put in place, before the person was told.
    DamagedFile::reportKept(path, kept, what(fileName), "a fresh copy takes its place");
    settle(path, true);
    return true;
  }
  CatalogueSession::forget(path);
  const Attempt attempt = replaceFrom(kept, fileName, resourceName, carryRows);
  DamagedFile::reportKept(path, kept, what(fileName), attempt.then);
  settle(path, attempt.ended);
  return attempt.ended;
}

CatalogueRescue::Attempt CatalogueRescue::replaceFrom(const std::string& kept, const std::string& fileName,
                                                      const std::string& resourceName, CarryRows carryRows) {
  const Attempt notYet{.ended = false,
                       .then = "a fresh copy holding your own rows could not be written (is the disk full?); it is tried "
                               "again later, and the catalogue is not used until then"};
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  CatalogueSalvage::Result readable;
  auto carried = CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (carryRows) {
    const std::string scratch = scratchPath(path);
    readable = CatalogueSalvage::copyReadable(kept, scratch);
    if (readable.notWritten) return notYet;
    if (readable.made) {
      carried = carryRows(scratch);
      CatalogueSession::forget(scratch);
    }
  }
  if (carried == CatalogueUpdate::Rebuilt::NotWritten) return notYet;
  if (carried == CatalogueUpdate::Rebuilt::Done) {
    if (readable.unread.empty()) return {true, "a fresh copy takes its place, with your own rows carried over"};
    return {true, "a fresh copy takes its place, with your own rows that could be read carried over; not read: " +
                      joined(readable.unread)};
  }
  // Nothing more of the person's can come of the kept copy: the bundle's copy takes the place alone,
  // and the kept copy stays for them.
  if (!CatalogueDatabase::seedIfMissing(path, resourceName)) return notYet;
  if (!carryRows) return {true, "a fresh copy takes its place"};
  if (!readable.made) return {true, "a fresh copy takes its place; nothing of it could be read"};
  return {true, "a fresh copy takes its place; your own rows in it could not be carried over"};
}

}  // namespace app::storage
