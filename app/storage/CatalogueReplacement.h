#pragma once

#include <functional>
#include <string>

#include "app/storage/PendingPackageRemap.h"

// Brings one catalogue file to the bundle's version without ever exposing a half-made one.
//
// The bundle's copy is put beside the installed file, the caller carries the user's rows into that
// copy (recording the renumbered ids in `remap` and storing them in the copy in the same commit), and
// only then is the copy renamed over the installed file; the stored packages follow last (see
// PendingPackageRemap). Until the rename nothing the app reads has changed, so any failure or crash
// before it leaves the installed catalogue exactly as it was.
class CatalogueReplacement {
 public:
  // Returns false when the copy could not be made or filled; the installed file is then untouched.
  using CarryOver = std::function<bool(const std::string& stagingPath)>;

  static bool run(const std::string& fileName, const std::string& resourceName, const CarryOver& carryOver);
  // Where the next version of Library/<fileName> is assembled.
  static std::string stagingPath(const std::string& fileName);
  // For a connection to the copy: its commits need not reach the disk one by one, since the copy is
  // thrown away unless complete, and run() flushes it once before it takes the installed file's place.
  static void fillWithoutSyncing(CatalogueDatabase& staging);
};
