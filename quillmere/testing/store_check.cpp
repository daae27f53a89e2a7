#include "quillmere/testing/store_check.h"

#include <sqlite3.h>

namespace cardwharf::testing {

std::string integrityOf(const std::string& path) {
  sqlite3* db = nullptr;
  std::string verdict = "no answer";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
      verdict = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    } else {
      verdict += std::string(": ") + sqlite3_errmsg(db);
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return verdict;
}

}  // namespace cardwharf::testing
