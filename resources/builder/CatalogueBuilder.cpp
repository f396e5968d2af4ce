// Builds one shipped catalogue: runs a catalogue's SQL text into a fresh SQLite file.
//
//   catalogue_builder <input.sql> <output.db>
//
// The file is built under a temporary name beside the output and renamed into place only when every
// statement ran, so a failed build never leaves a half-filled catalogue in the bundle.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

bool readText(const char* path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

bool run(sqlite3* db, const char* sql, const char* what) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  std::fprintf(stderr, "catalogue_builder: %s: %s\n", what, message ? message : sqlite3_errmsg(db));
  sqlite3_free(message);
  return false;
}

// Fills the file at `path` from `sql` in one transaction, then compacts it.
bool build(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "catalogue_builder: cannot create %s: %s\n", path.c_str(), sqlite3_errmsg(db));
    sqlite3_close(db);
    return false;
  }
  bool ok = run(db, "PRAGMA journal_mode = DELETE", "journal mode") &&
            run(db, "BEGIN", "begin") && run(db, sql.c_str(), "catalogue text") &&
            run(db, "COMMIT", "commit") && run(db, "VACUUM", "vacuum");
  if (sqlite3_close(db) != SQLITE_OK) ok = false;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: catalogue_builder <input.sql> <output.db>\n");
    return 2;
  }
  std::string sql;
  if (!readText(argv[1], sql)) {
    std::fprintf(stderr, "catalogue_builder: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string output = argv[2];
  const std::string temporary = output + ".building";
  std::remove(temporary.c_str());
  if (!build(temporary, sql)) {
    std::remove(temporary.c_str());
    return 1;
  }
  if (std::rename(temporary.c_str(), output.c_str()) != 0) {
    std::perror("catalogue_builder: rename");
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
