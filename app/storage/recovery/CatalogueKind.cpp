#include "app/storage/recovery/CatalogueKind.h"

#include <algorithm>

#include "platform/foundation/Check.h"

namespace app::storage {

std::string CatalogueKind::personsRowsOf(std::string_view table, std::string_view alias) const {
  const auto mark = std::find_if(marks.begin(), marks.end(), [table](const PersonsMark& each) { return each.table == table; });
  DCHECK(mark != marks.end());
  if (mark == marks.end()) return "0";  // no row is known to be the person's
  return std::string(alias) + mark->column + " = " + std::to_string(kPersons);
}

}  // namespace app::storage
