#include "app/storage/CatalogueRescue.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CataloguePlace.h"
#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueSalvage.h"
#include "app/storage/PersonsRows.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;
using platform::foundation::DamagedFile;
using platform::foundation::DatabaseSideFiles;

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

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// A note names the kept copy by its file name, then by the identity of the file; notes written before
// names were noted hold the identity alone.
std::string noteFor(const std::string& keptPath, const std::string& path) {
  return fileNameOf(keptPath) + "\n" + DamagedFile::identityOf(path) + "\n";
}

bool isIdentity(std::string_view line) {
  const auto colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == line.size()) return false;
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ':' || (c >= '0' && c <= '9'); });
}

// The copy the note beside `path` names. By its name beside the note, which a copy or a move of the
// container keeps; by the file's identity, which only the disk it was kept on keeps; and, for a note
// that names no copy (written before copies were named) whose catalogue's place is empty, so that its
// file was moved aside, the copy kept last, which is the one that rescue made.
std::string keptCopyNoted(const std::string& path) {
  // A note is a name and a number; anything longer was not written by a rescue.
  constexpr std::size_t kNoteBytes = 4096;
  const std::string note = AtomicFile::readText(CatalogueRescue::notePath(path), kNoteBytes).valueOr({});
  std::string name, identity;
  for (std::size_t start = 0; start < note.size();) {
    const std::size_t end = std::min(note.find('\n', start), note.size());
    const std::string line = note.substr(start, end - start);
    (isIdentity(line) ? identity : name) = line;
    start = end + 1;
  }
  if (!name.empty()) {
    if (std::string copy = DamagedFile::keptCopyNamed(path, name); !copy.empty()) return copy;
  }
  if (std::string copy = DamagedFile::keptCopyOf(path, identity); !copy.empty()) return copy;
  if (name.empty() && CataloguePlace::stateOf(path) == CataloguePlace::State::Missing) {
    return DamagedFile::newestKeptCopyOf(path);
  }
  return {};
}

// The table in which a rescue's fresh copy names the kept copy its rows came from (4).
constexpr const char* kCarriedFrom = "RescueCarriedFrom";

// Whether the catalogue at `path` is a fresh copy a rescue from `kept` put there: only such a copy,
// marked before it took the place, is known to hold the kept copy's rows. A file someone else put in
// the empty place (an empty one, noise, a bare copy of the bundle's) is read here and left as it was.
bool holdsRowsOf(const std::string& path, const std::string& kept) {
  CatalogueDatabase live;
  if (!live.openToRead(path)) return false;
  auto marks = live.prepare(std::string("SELECT keptCopy FROM ") + kCarriedFrom, true);
  while (marks.step() == CatalogueStatement::Step::Row) {
    if (marks.columnText(0) == fileNameOf(kept)) return true;
  }
  return false;
}

// What stands where the rescue reads its kept copy's side files, or makes its scratch copy or its fresh
// copy: SQLite would wait on it or take it for damage, and the kept copy's rows for unreadable.
std::vector<DatabaseSideFiles::Stranger> strangersInTheWay(const std::string& kept, const std::string& path,
                                                           const std::string& fileName) {
  auto strangers = DatabaseSideFiles::strangersBeside(kept);
  for (const std::string& made : {CatalogueRescue::scratchPath(path), CatalogueReplacement::stagingPath(fileName)}) {
    if (const std::string what = AtomicFile::whatStandsAt(made); !what.empty() && what != "a regular file") {
      strangers.push_back({made, what});
    }
    for (auto& beside : DatabaseSideFiles::strangersBeside(made)) strangers.push_back(std::move(beside));
  }
  return strangers;
}

// Whether the catalogue at `path`, unmarked, holds every row of the person's that the kept copy holds:
// a rescue that an older build cut short after its fresh copy took the place left no mark in it. What
// the kept copy holds is read as the rescue reads it, into the scratch copy, which goes again at once.
bool holdsKeptRows(const std::string& path, const std::string& kept, const std::string& fileName) {
  // Something in the way of reading the kept copy leaves its rows unknown.
  if (!strangersInTheWay(kept, path, fileName).empty()) return false;
  const std::string scratch = CatalogueRescue::scratchPath(path);
  const CatalogueSalvage::Result readable = CatalogueSalvage::copyReadable(kept, scratch);
  if (readable.notWritten) return false;
  std::optional<std::set<std::string>> rows = std::set<std::string>();
  if (readable.made) rows = PersonsRows::of(fileName, scratch);
  static_cast<void>(AtomicFile::removeFile(scratch));
  return rows && PersonsRows::allHeldIn(fileName, path, *rows);
}

}  // namespace

bool CatalogueRescue::markFreshCopy(const std::string& fileName, const std::string& staging) {
  const std::string kept = keptCopyNoted(CatalogueDatabase::libraryPath(fileName));
  if (kept.empty()) return true;  // no rescue is waiting for this copy
  CatalogueDatabase fresh;
  if (!fresh.openPath(staging)) return false;
  CatalogueDatabase::Transaction transaction(fresh);
  if (!transaction.active() ||
      !fresh.execute(std::string("CREATE TABLE IF NOT EXISTS ") + kCarriedFrom + " (keptCopy TEXT NOT NULL)") ||
      !fresh.execute(std::string("DELETE FROM ") + kCarriedFrom)) {
    return false;
  }
  auto mark = fresh.prepareInsert(std::string("INSERT INTO ") + kCarriedFrom + " (keptCopy) VALUES (?)");
  mark.bind(1, fileNameOf(kept));
  return CatalogueDatabase::finishInsert(mark) && transaction.commit();
}

std::string CatalogueRescue::notePath(const std::string& path) { return path + ".rescuing"; }
std::string CatalogueRescue::scratchPath(const std::string& path) { return path + ".readable"; }

bool CatalogueRescue::isPendingAt(const std::string& path) { return AtomicFile::fileExists(notePath(path)); }
bool CatalogueRescue::isPending(const std::string& fileName) { return isPendingAt(CatalogueDatabase::libraryPath(fileName)); }

bool CatalogueRescue::keepAsideAndReplace(const std::string& fileName, const std::string& resourceName,
                                          CarryRows carryRows) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const std::string keptPath = DamagedFile::nextKeptPath(path);
  if (auto noted = AtomicFile::writeAtomically(notePath(path), noteFor(keptPath, path)); !noted.ok()) {
    platform::log::write(platform::log::Warning, "The " + what(fileName) + " could not be read, and its rescue cannot begin (" +
                                                     noted.error().localizedDescription() +
                                                     "); it is left as it is, not used, and tried again later");
    return false;
  }
  const std::string kept = DamagedFile::keepAsideAs(path, keptPath);
  const Attempt attempt = kept.empty() ? Attempt{.ended = true, .then = {}} : replaceFrom(kept, fileName, resourceName, carryRows);
  DamagedFile::reportKept(path, kept, what(fileName), attempt.then);
  settle(path, attempt.ended);
  return !kept.empty() && attempt.ended;
}

bool CatalogueRescue::resume(const std::string& fileName, const std::string& resourceName, CarryRows carryRows) {
  if (!isPending(fileName)) return true;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const std::string kept = keptCopyNoted(path);
  if (kept.empty()) {
    // Cut short before the move aside: the open finds the file damaged again.
    settle(path, true);
    return true;
  }
  const auto place = CataloguePlace::stateOf(path);
  // Something else put in the empty place (a link, a FIFO): the open names it, and the rescue waits.
  if (place == CataloguePlace::State::Unreadable) return true;
  if (place == CataloguePlace::State::File) {
    if (holdsRowsOf(path, kept)) {
      // Cut short after the fresh copy was put in place, before the person was told.
      DamagedFile::reportKept(path, kept, what(fileName), "a fresh copy takes its place");
      settle(path, true);
      return true;
    }
    if (holdsKeptRows(path, kept, fileName)) {
      // Its rows are home, whoever put the copy there: nothing more can come of the kept copy.
      DamagedFile::reportKept(path, kept, what(fileName), "the catalogue in place holds your own rows of it");
      settle(path, true);
      return true;
    }
    // A file someone else put in the empty place: it is theirs, and the rows are not home.
    DamagedFile::reportKept(path, kept, what(fileName),
                            "your own rows wait there: a file that does not hold them stands at " + path +
                                "; it is left as it is, the catalogue is not used, and your rows are carried over "
                                "once that file is moved away");
    return false;
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
  // Whether the kept copy can be read is a matter of what it holds, never of what stands beside it.
  if (const auto strangers = strangersInTheWay(kept, path, fileName); !strangers.empty()) {
    return {.ended = false,
            .then = "your own rows wait there: " + DatabaseSideFiles::described(strangers) +
                    "; it is left as it is, the catalogue is not used, and your rows are carried over once that is "
                    "gone"};
  }
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
  // marked as this rescue's own as a copy with rows is (4), and the kept copy stays for them.
  const auto bare = CatalogueReplacement::rebuild(fileName, resourceName, [](const std::string&) { return true; });
  if (bare != CatalogueUpdate::Rebuilt::Done) return notYet;
  if (!carryRows) return {true, "a fresh copy takes its place"};
  if (!readable.made) return {true, "a fresh copy takes its place; nothing of it could be read"};
  return {true, "a fresh copy takes its place; your own rows in it could not be carried over"};
}

}  // namespace app::storage
