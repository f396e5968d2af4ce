#include "app/storage/recovery/CatalogueRescue.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "app/storage/recovery/CatalogueSalvage.h"
#include "app/storage/recovery/PersonsRows.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
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
  static_cast<void>(AtomicFile::removeLeftover(CatalogueRescue::scratchPath(path)));
  if (ended) static_cast<void>(AtomicFile::removeLeftover(CatalogueRescue::notePath(path)));
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

// What a rescue's note beside `path` says: the kept copy's file name, the file's identity, or both.
struct Note {
  std::string name, identity;
};

// The note beside `path`, when what stands at its name is one a rescue wrote: a file of the app's, not
// a link, a name and a number. Anything else there (a FIFO, noise, another user's file) is someone
// else's, and nothing is known of a rescue from it.
std::optional<Note> noteBeside(const std::string& path) {
  // A note is a name and a number; anything longer was not written by a rescue.
  constexpr std::size_t kNoteBytes = 4096;
  const std::string notePath = CatalogueRescue::notePath(path);
  if (!AtomicFile::whatStandsAt(notePath).isPlainFile()) return std::nullopt;
  auto text = AtomicFile::readText(notePath, kNoteBytes);
  if (!text.ok()) return std::nullopt;
  Note note;
  for (std::size_t start = 0; start < text->size();) {
    const std::size_t end = std::min(text->find('\n', start), text->size());
    const std::string line = text->substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    if (isIdentity(line)) {
      note.identity = line;
    } else if (DamagedFile::namesKeptCopyOf(path, line)) {
      note.name = line;
    } else {
      return std::nullopt;
    }
  }
  return note;
}

// The copy `note` beside `path` names. By its name beside the note, which a copy or a move of the
// container keeps (whatever stands there: a link the person left where they moved it away, a file the
// app may not read); by the file's identity, which only the disk it was kept on keeps; and, for a note
// that names no copy (written before copies were named) whose catalogue's place is empty, so that its
// file was moved aside, the copy kept last, which is the one that rescue made.
std::string keptCopyNoted(const std::string& path, const Note& note) {
  if (!note.name.empty()) {
    if (std::string copy = DamagedFile::keptCopyNamed(path, note.name); !copy.empty()) return copy;
  }
  if (std::string copy = DamagedFile::keptCopyOf(path, note.identity); !copy.empty()) return copy;
  if (note.name.empty() && CataloguePlace::stateOf(path) == CataloguePlace::State::Missing) {
    return DamagedFile::newestKeptCopyOf(path);
  }
  return {};
}

std::string keptCopyNoted(const std::string& path) {
  const auto note = noteBeside(path);
  return note ? keptCopyNoted(path, *note) : std::string();
}

// Names what stands at the note's name beside the catalogue at `path` when the app did not write it
// there. It is left as it is; while it stands, an empty place is not filled, since it may stand for a
// rescue the app cannot see.
void warnNotANote(const std::string& fileName, const std::string& path) {
  const std::string note = CatalogueRescue::notePath(path);
  const bool empty = CataloguePlace::stateOf(path) == CataloguePlace::State::Missing;
  const std::string line = note + " is " + AtomicFile::whatStandsAt(note).words() +
                           ", not a note the app wrote of a rescue of the " + what(fileName) + "; it is left as it is" +
                           (empty ? ", and the catalogue's empty place is not filled while it stands there" : "");
  platform::log::writeOnce(platform::log::Warning, line, line);
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
    if (const auto standing = AtomicFile::whatStandsAt(made); !standing.isNothing() && !standing.isPlainFile()) {
      strangers.push_back({made, standing.words()});
    }
    for (auto& beside : DatabaseSideFiles::strangersBeside(made)) strangers.push_back(std::move(beside));
  }
  return strangers;
}

constexpr const char* kNotYet =
    "a fresh copy holding your own rows could not be written (is the disk full?); it is tried again later, and the "
    "catalogue is not used until then";

// How the warning naming the kept copy ends while something stands in the way of reading it.
std::string waitingBehind(const std::vector<DatabaseSideFiles::Stranger>& strangers) {
  return "your own rows wait there: " + DatabaseSideFiles::described(strangers) +
         "; it is left as it is, the catalogue is not used, and your rows are carried over once that is gone";
}

// The same while what the kept copy holds cannot be read now (`why`: "it is a file the app may not
// read"): its rows are unknown, never none.
std::string waitingToRead(const std::string& why) {
  return "your own rows wait there, but " + why +
         "; it is left as it is, the catalogue is not used, and your rows are carried over once the app can read it";
}

// What of the person's the kept copy holds, read as the rescue reads it, into the scratch copy, which
// goes again at once; when the kept copy itself cannot be read now, how the warning naming it ends.
// Rows unknown for anything else (something in the way, the copy's own damage: a table that fails
// part-way) leave both empty, and the file in the place is named.
struct KeptRows {
  std::optional<PersonsRows::Rows> rows;
  std::string then;
};

KeptRows keptRowsOf(const std::string& path, const std::string& kept, const CatalogueKind& kind) {
  if (!strangersInTheWay(kept, path, kind.fileName).empty()) return {};
  const std::string scratch = CatalogueRescue::scratchPath(path);
  const CatalogueSalvage::Result readable = CatalogueSalvage::copyReadable(kept, scratch);
  if (readable.notWritten) return {{}, kNotYet};
  if (!readable.unknown.empty()) return {{}, waitingToRead(readable.unknown)};
  KeptRows found{.rows = PersonsRows::Rows(), .then = {}};
  if (readable.made) found.rows = PersonsRows::of(kind, scratch);
  static_cast<void>(AtomicFile::removeLeftover(scratch));
  return found;
}

// A rescue whose catalogue's place holds a file: ended (its note gone) when that file holds the kept
// copy's rows; otherwise it waits, and the warning names what stands in its way.
bool endedOverFileInPlace(const std::string& path, const std::string& kept, const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  if (holdsRowsOf(path, kept)) {
    // Cut short after the fresh copy was put in place, before the person was told.
    DamagedFile::reportKept(path, kept, what(fileName), "a fresh copy takes its place");
    settle(path, true);
    return true;
  }
  const KeptRows keptRows = keptRowsOf(path, kept, kind);
  if (!keptRows.then.empty()) {
    DamagedFile::reportKept(path, kept, what(fileName), keptRows.then);
    return false;
  }
  // An unmarked file (an older build's fresh copy) holds them only with every value the person set.
  if (keptRows.rows && PersonsRows::allHeldIn(kind, path, *keptRows.rows)) {
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

}  // namespace

bool CatalogueRescue::markFreshCopy(const std::string& fileName, const std::string& staging) {
  const std::string kept = keptCopyNoted(CatalogueDatabase::libraryPath(fileName));
  if (kept.empty()) return true;  // no rescue is waiting for this copy
  // (5) of CataloguePlace.h: marked while it is still a copy beside the place.
  DCHECK(staging != CatalogueDatabase::libraryPath(fileName));
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

bool CatalogueRescue::isPendingAt(const std::string& path) { return AtomicFile::anythingAt(notePath(path)); }
bool CatalogueRescue::isPending(const std::string& fileName) { return isPendingAt(CatalogueDatabase::libraryPath(fileName)); }

bool CatalogueRescue::keepAsideAndReplace(const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  // Someone else's file at the note's name is never written over: the rescue cannot begin beside it.
  if (AtomicFile::anythingAt(notePath(path))) {
    warnNotANote(fileName, path);
    return false;
  }
  const auto keptPath = DamagedFile::nextKeptPath(path);
  if (!keptPath.ok()) {
    DamagedFile::reportKept(path, keptPath, what(fileName), {});
    return false;
  }
  if (auto noted = AtomicFile::writeAtomically(notePath(path), noteFor(*keptPath, path)); !noted.ok()) {
    platform::log::write(platform::log::Warning, "The " + what(fileName) + " could not be read, and its rescue cannot begin (" +
                                                     noted.error().localizedDescription() +
                                                     "); it is left as it is, not used, and tried again later");
    return false;
  }
  // (3) of CataloguePlace.h: the note names the kept copy before the file becomes it.
  DCHECK(isPendingAt(path));
  const auto kept = DamagedFile::keepAsideAs(path, *keptPath);
  const Attempt attempt = kept.ok() ? replaceFrom(*kept, kind) : Attempt{.ended = true, .then = {}};
  DamagedFile::reportKept(path, kept, what(fileName), attempt.then);
  settle(path, attempt.ended);
  return kept.ok() && attempt.ended;
}

bool CatalogueRescue::resume(const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  if (!isPending(fileName)) return true;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const auto note = noteBeside(path);
  if (!note) {
    warnNotANote(fileName, path);
    return CataloguePlace::stateOf(path) != CataloguePlace::State::Missing;
  }
  const std::string kept = keptCopyNoted(path, *note);
  if (kept.empty()) {
    // Cut short before the move aside: the open finds the file damaged again.
    settle(path, true);
    return true;
  }
  const auto place = CataloguePlace::stateOf(path);
  // Something else put in the empty place (a link, a FIFO): the open names it, and the rescue waits.
  if (place == CataloguePlace::State::Unreadable) return true;
  if (place == CataloguePlace::State::File) return endedOverFileInPlace(path, kept, kind);
  CatalogueSession::forget(path);
  const Attempt attempt = replaceFrom(kept, kind);
  DamagedFile::reportKept(path, kept, what(fileName), attempt.then);
  settle(path, attempt.ended);
  return attempt.ended;
}

CatalogueRescue::Attempt CatalogueRescue::replaceFrom(const std::string& kept, const CatalogueKind& kind) {
  const Attempt notYet{.ended = false, .then = kNotYet};
  const std::string fileName = kind.fileName;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  // Whether the kept copy can be read is a matter of what it holds, never of what stands beside it.
  if (const auto strangers = strangersInTheWay(kept, path, fileName); !strangers.empty()) {
    return {.ended = false, .then = waitingBehind(strangers)};
  }
  CatalogueSalvage::Result readable;
  auto carried = CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (kind.carryRows) {
    const std::string scratch = scratchPath(path);
    readable = CatalogueSalvage::copyReadable(kept, scratch);
    if (readable.notWritten) return notYet;
    // One the app may not read, or reached through a link that leads nowhere, holds rows unknown.
    if (!readable.unknown.empty()) return {.ended = false, .then = waitingToRead(readable.unknown)};
    if (readable.made) {
      carried = kind.carryRows(scratch);
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
  const auto bare = CatalogueReplacement::rebuild(kind, [](const std::string&) { return true; });
  if (bare != CatalogueUpdate::Rebuilt::Done) return notYet;
  if (!kind.carryRows) return {true, "a fresh copy takes its place"};
  if (!readable.made) return {true, "a fresh copy takes its place; nothing of it could be read"};
  return {true, "a fresh copy takes its place; your own rows in it could not be carried over"};
}

}  // namespace app::storage
