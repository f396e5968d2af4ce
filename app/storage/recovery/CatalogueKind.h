#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/storage/recovery/CatalogueUpdate.h"

namespace app::storage {

// One catalogue as everything that seeds, checks, rescues and compares catalogues knows it: which file
// it is, where the bundle keeps its copy, how the person's rows get into a fresh copy, and which rows
// are the person's. Each catalogue has one, declared beside the code that can carry its rows.
struct CatalogueKind {
  // The value of a row's mark that makes it the person's (a series, lens, format, crop or adapter they
  // made); the catalogues ship theirs with 0.
  static constexpr int kPersons = 1;

  // A table whose rows are the person's where `column` holds kPersons.
  struct PersonsMark {
    const char* table;
    const char* column;
  };

  // One kind of the person's rows, as PersonsRows compares copies by them: `theirs` gives each row's
  // text in the copy they come from (and, in a second column, the text of the shipped row that stands
  // for it in a newer catalogue, or NULL); `alike` gives the texts of a copy they may have been carried
  // into. A text holds every value the person set, numbers to the precision the screens show, so that a
  // value stored through a float reads the same as the one it came from; a selection is not among them,
  // since every start stores it again from the packages.
  struct PersonsRowQuery {
    std::string theirs;
    std::string alike;
  };

  // Library/<fileName>, seeded from the bundle's resource `resourceName` of type "db".
  const char* fileName = nullptr;
  const char* resourceName = nullptr;
  // The tables without which a file is not this catalogue.
  std::span<const char* const> tables;
  // Puts a fresh catalogue at Library/<fileName> built from `readable`, what could be read of a damaged
  // one, with the person's rows carried in as an update carries them. None: the bundle's copy takes the
  // place alone.
  CatalogueUpdate::Rebuilt (*carryRows)(const std::string& readable) = nullptr;
  std::span<const PersonsMark> marks;
  // The queries for the person's rows; none: what the catalogue holds of theirs is not known.
  std::vector<PersonsRowQuery> (*personsRows)() = nullptr;

  // "Origin = 1", or with `alias` "m.Origin = 1": what picks the person's rows of `table`, which must be
  // one of `marks`.
  [[nodiscard]] std::string personsRowsOf(std::string_view table, std::string_view alias = {}) const;
};

}  // namespace app::storage
