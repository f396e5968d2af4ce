#include "app/storage/CatalogueRescue.h"

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CatalogueSalvage.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"

using platform::foundation::AtomicFile;
using platform::foundation::DamagedFile;

namespace app::storage {

namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string notePath(const std::string& fileName) { return CatalogueDatabase::libraryPath(fileName) + ".rescuing"; }
std::string scratchPath(const std::string& path) { return path + ".readable"; }
std::string what(const std::string& fileName) { return "catalogue " + fileName; }

// The note and the scratch copy a rescue leaves while it runs.
void endRescue(const std::string& fileName) {
  static_cast<void>(AtomicFile::removeFile(scratchPath(CatalogueDatabase::libraryPath(fileName))));
  static_cast<void>(AtomicFile::removeFile(notePath(fileName)));
}

}  // namespace

bool CatalogueRescue::isPending(const std::string& fileName) { return AtomicFile::fileExists(notePath(fileName)); }

bool CatalogueRescue::keepAsideAndReplace(const std::string& fileName, const std::string& resourceName,
                                          CarryRows carryRows) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  // Without the note (a full disk) the rescue still runs; only a kill during it would then cost the rows.
  static_cast<void>(AtomicFile::writeAtomically(notePath(fileName), DamagedFile::identityOf(path)));
  const std::string kept = DamagedFile::keepAside(path);
  DamagedFile::reportKept(path, kept, what(fileName), kept.empty() ? "" : replace(kept, fileName, resourceName, carryRows));
  endRescue(fileName);
  return !kept.empty();
}

void CatalogueRescue::finishInterrupted(const std::string& fileName, const std::string& resourceName,
                                        CarryRows carryRows) {
  if (!isPending(fileName)) return;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const std::string damaged = AtomicFile::readText(notePath(fileName)).valueOr({});
  const std::string kept = DamagedFile::keptCopyOf(path, damaged);
  const std::string now = DamagedFile::identityOf(path);
  // No kept copy: the kill came before the move aside, and the open finds the file damaged again.
  if (!kept.empty() && now.empty()) {
    // Killed before the fresh copy was in place: the rescue runs again from the kept copy.
    CatalogueSession::forget(path);
    DamagedFile::reportKept(path, kept, what(fileName), replace(kept, fileName, resourceName, carryRows));
  } else if (!kept.empty()) {
    // Killed after the fresh copy was put in place, before the person was told.
    DamagedFile::reportKept(path, kept, what(fileName), "a fresh copy takes its place");
  }
  endRescue(fileName);
}

std::string CatalogueRescue::replace(const std::string& kept, const std::string& fileName,
                                     const std::string& resourceName, CarryRows carryRows) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (!carryRows) return CatalogueDatabase::seedIfMissing(path, resourceName) ? "a fresh copy takes its place" : "no fresh copy could be made";
  const std::string scratch = scratchPath(path);
  const CatalogueSalvage::Result readable = CatalogueSalvage::copyReadable(kept, scratch);
  bool carried = false;
  if (readable.made) {
    carried = carryRows(scratch);
    CatalogueSession::forget(scratch);
    static_cast<void>(AtomicFile::removeFile(scratch));
  }
  if (!carried && !CatalogueDatabase::seedIfMissing(path, resourceName)) return "no fresh copy could be made";
  if (!readable.made) return "a fresh copy takes its place; nothing of it could be read";
  if (!carried) return "a fresh copy takes its place; your own rows in it could not be carried over";
  if (readable.unread.empty()) return "a fresh copy takes its place, with your own rows carried over";
  return "a fresh copy takes its place, with your own rows that could be read carried over; not read: " +
         joined(readable.unread);
}

}  // namespace app::storage
