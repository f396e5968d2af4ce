#include "app/storage/CatalogueRescue.h"

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CatalogueSalvage.h"
#include "platform/foundation/AtomicFile.h"

using platform::foundation::AtomicFile;

namespace app::storage {

namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

std::string CatalogueRescue::replace(const std::string& kept, const std::string& fileName,
                                     const std::string& resourceName, CarryRows carryRows) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (!carryRows) return CatalogueDatabase::seedIfMissing(path, resourceName) ? "a fresh copy takes its place" : "no fresh copy could be made";
  const std::string scratch = path + ".readable";
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
