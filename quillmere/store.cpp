#include "quillmere/store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "automation/registry.h"

namespace cardwharf::quillmere {
namespace {

using Reason = StoreError::Reason;

constexpr const char* kSchema = R"sql(
CREATE TABLE accounts(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE);
CREATE TABLE books(
  id INTEGER PRIMARY KEY,
  account_id INTEGER NOT NULL REFERENCES accounts(id),
  name TEXT NOT NULL,
  UNIQUE(account_id, name));
CREATE TABLE entries(
  id INTEGER PRIMARY KEY,
  book_id INTEGER NOT NULL REFERENCES books(id),
  name TEXT NOT NULL);
CREATE INDEX entries_by_book ON entries(book_id, id);
CREATE TABLE fields(
  id INTEGER PRIMARY KEY,
  entry_id INTEGER NOT NULL REFERENCES entries(id),
  name TEXT NOT NULL,
  kind INTEGER NOT NULL,
  value TEXT NOT NULL);
CREATE INDEX fields_by_entry ON fields(entry_id, id);
)sql";

enum Statement {
  kFindAccount,
  kInsertAccount,
  kInsertBook,
  kFindBook,
  kListBooks,
  kInsertEntry,
  kInsertField,
  kListEntries,
  kStatementCount
};

Reason reasonOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_FULL:
      return Reason::full;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Reason::busy;
    case SQLITE_IOERR:
      return Reason::io;
    case SQLITE_CORRUPT:
      return Reason::damaged;
    case SQLITE_NOTADB:
      return Reason::notAStore;
    case SQLITE_READONLY:
      return Reason::readOnly;
    default:
      return Reason::other;
  }
}

// Creates every missing folder of `folder` with mode 0700.
bool makeFolders(const std::string& folder) {
  if (folder.empty()) return true;
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash))) {
    return false;
  }
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string columnText(sqlite3_stmt* s, int column) {
  const unsigned char* text = sqlite3_column_text(s, column);
  int size = sqlite3_column_bytes(s, column);
  return text == nullptr
             ? std::string()
             : std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

void bindText(sqlite3_stmt* s, int index, const std::string& text) {
  sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Resets a statement when it goes, whatever way out is taken.
struct Reset {
  sqlite3_stmt* s;
  ~Reset() {
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  }
};

// Writes the schema and the marks of a Quillmere store into the empty
// database `db`, in one transaction.
int initialise(sqlite3* db) {
  std::string init = std::string("BEGIN IMMEDIATE;") + kSchema +
                     "PRAGMA application_id=" + std::to_string(Store::kApplicationId) +
                     ";PRAGMA user_version=" + std::to_string(Store::kSchemaVersion) + ";COMMIT;";
  int rc = sqlite3_exec(db, init.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return rc;
}

// Makes a complete new store at `path`: written in a private file beside it
// and only then given its name, so that nobody ever opens a half-made store.
// When another program made one meanwhile, that one stays. Gives "" on
// success, else why it failed.
std::string createInitialised(const std::string& path) {
  std::string temporary = path + ".new-XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600, whatever the umask
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                           nullptr);
  if (rc == SQLITE_OK) rc = initialise(db);
  // Write-ahead logging is set before the store gets its name, as a mark in
  // the file itself: a writer killed at any moment after then leaves a log
  // that a read-only reader can still read past, never the rollback journal
  // that only a writer may undo.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  std::string why;
  if (rc != SQLITE_OK) {
    why = describeFailure(rc);
  } else if (::link(temporary.c_str(), path.c_str()) != 0 && errno != EEXIST) {
    why = std::strerror(errno);
  }
  ::unlink(temporary.c_str());
  return why;
}

}  // namespace

std::string describeFailure(int rc) {
  switch (reasonOf(rc)) {
    case Reason::full:
      return "the address book store is full (the disk, or the store's size limit, has no room "
             "left)";
    case Reason::busy:
      return "the address book store is in use by another program and did not become free "
             "within 5 seconds";
    case Reason::io:
      return "the address book store could not be read or written (input/output error)";
    case Reason::damaged:
      return "the address book store is damaged";
    case Reason::notAStore:
      return "the file is not a Quillmere address book store";
    case Reason::readOnly:
      return "the address book store cannot be written";
    default:
      break;
  }
  if ((rc & 0xFF) == SQLITE_NOMEM) return "there is not enough memory";
  if ((rc & 0xFF) == SQLITE_CANTOPEN) return "the address book store cannot be opened";
  return std::string("the address book store reported: ") + sqlite3_errstr(rc);
}

std::string loginName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr) {
    return pw->pw_name;
  }
  return "user" + std::to_string(::geteuid());
}

std::string Store::defaultPath() {
  return automation::xdgDataHome() + "/quillmere/store.sqlite3";
}

std::unique_ptr<Store> Store::open(const std::string& path, Mode mode) {
  auto error = [&](Reason reason, const std::string& why) {
    return StoreError(reason, "The address book store " + path + " " + why);
  };
  struct stat st;
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (!exists && mode == Mode::readOnly) throw error(Reason::missing, "does not exist");
  if (!exists) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && !makeFolders(path.substr(0, slash))) {
      throw error(Reason::other, std::string("cannot be created: ") + std::strerror(errno));
    }
    if (std::string why = createInitialised(path); !why.empty()) {
      throw error(Reason::other, "cannot be created: " + why);
    }
  } else if (!S_ISREG(st.st_mode)) {
    throw error(Reason::notAStore, "is not a file");
  }

  sqlite3* raw = nullptr;
  int flags = (mode == Mode::readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
              SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
  int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  std::unique_ptr<Store> store(new Store(raw));
  if (rc != SQLITE_OK) throw error(reasonOf(rc), "cannot be opened: " + describeFailure(rc));
  store->statements_.assign(kStatementCount, nullptr);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  sqlite3_extended_result_codes(raw, 1);

  auto single = [&](const char* sql, std::int64_t* value) -> int {
    sqlite3_stmt* s = nullptr;
    int r = sqlite3_prepare_v2(raw, sql, -1, &s, nullptr);
    if (r == SQLITE_OK) {
      r = sqlite3_step(s);
      if (r == SQLITE_ROW) {
        if (value != nullptr) *value = sqlite3_column_int64(s, 0);
        r = SQLITE_OK;
      } else if (r == SQLITE_DONE) {
        r = SQLITE_OK;
      }
    }
    sqlite3_finalize(s);
    return r;
  };
  auto check = [&](int r) {
    if (r == SQLITE_OK) return;
    Reason reason = reasonOf(r);
    if (reason == Reason::notAStore) throw error(reason, "is not a Quillmere address book store");
    throw error(reason, "cannot be opened: " + describeFailure(r));
  };

  std::int64_t applicationId = 0, version = 0, objects = 0;
  check(single("PRAGMA application_id", &applicationId));
  check(single("PRAGMA user_version", &version));
  check(single("SELECT count(*) FROM sqlite_schema", &objects));
  if (applicationId == 0 && version == 0 && objects == 0) {
    // An empty file that someone put in the store's place.
    if (mode == Mode::readOnly) throw error(Reason::notAStore, "is empty");
    check(initialise(raw));
    check(single("PRAGMA journal_mode=WAL", nullptr));
  } else if (applicationId != kApplicationId) {
    throw error(Reason::notAStore, "is not a Quillmere address book store");
  } else if (version > kSchemaVersion) {
    throw error(Reason::newer, "was made by a newer version of Quillmere (schema version " +
                                   std::to_string(version) + "); this version reads version " +
                                   std::to_string(kSchemaVersion));
  } else if (version < 1) {
    throw error(Reason::damaged, "is damaged (it has no schema version)");
  } else {
    // A damaged store is refused before anything is read from or added to it.
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(raw, "PRAGMA quick_check", -1, &s, nullptr);
    std::string verdict;
    if (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
      verdict = columnText(s, 0);
      rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    check(rc);
    if (verdict != "ok") throw error(Reason::damaged, "is damaged (" + verdict + ")");
    if (mode == Mode::readWrite) check(single("PRAGMA journal_mode=WAL", nullptr));
  }
  check(single("PRAGMA synchronous=NORMAL", nullptr));
  check(single("PRAGMA foreign_keys=ON", nullptr));
  return store;
}

Store::~Store() {
  for (sqlite3_stmt* s : statements_) sqlite3_finalize(s);
  sqlite3_close_v2(db_);
}

void Store::fail(const std::string& what, int rc) {
  throw StoreError(reasonOf(rc), what + ": " + describeFailure(rc));
}

sqlite3_stmt* Store::statement(int which, const char* sql) {
  sqlite3_stmt*& s = statements_[static_cast<std::size_t>(which)];
  if (s == nullptr) {
    int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (rc != SQLITE_OK) {
      s = nullptr;
      fail("Could not read the address book store", rc);
    }
  }
  return s;
}

std::optional<std::int64_t> Store::findAccount(const std::string& name) {
  sqlite3_stmt* s = statement(kFindAccount, "SELECT id FROM accounts WHERE name = ?1");
  Reset reset{s};
  bindText(s, 1, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) return sqlite3_column_int64(s, 0);
  if (rc != SQLITE_DONE) fail("Could not read the account", rc);
  return std::nullopt;
}

std::int64_t Store::ensureAccount(const std::string& name) {
  if (std::optional<std::int64_t> id = findAccount(name)) return *id;
  sqlite3_stmt* s = statement(kInsertAccount, "INSERT INTO accounts(name) VALUES(?1)");
  Reset reset{s};
  bindText(s, 1, name);
  int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) fail("Could not create the account", rc);
  return sqlite3_last_insert_rowid(db_);
}

std::int64_t Store::addBook(std::int64_t account, const std::string& name) {
  sqlite3_stmt* s = statement(kInsertBook, "INSERT INTO books(account_id, name) VALUES(?1, ?2)");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, account);
  bindText(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_CONSTRAINT_UNIQUE) {
    throw StoreError(Reason::other, "An address book named \"" + name + "\" already exists");
  }
  if (rc != SQLITE_DONE) fail("Could not create the address book", rc);
  return sqlite3_last_insert_rowid(db_);
}

std::optional<std::int64_t> Store::findBook(std::int64_t account, const std::string& name) {
  sqlite3_stmt* s =
      statement(kFindBook, "SELECT id FROM books WHERE account_id = ?1 AND name = ?2");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, account);
  bindText(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) return sqlite3_column_int64(s, 0);
  if (rc != SQLITE_DONE) fail("Could not read the address books", rc);
  return std::nullopt;
}

std::vector<std::string> Store::books(std::int64_t account) {
  sqlite3_stmt* s =
      statement(kListBooks, "SELECT name FROM books WHERE account_id = ?1 ORDER BY id");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, account);
  std::vector<std::string> names;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) names.push_back(columnText(s, 0));
  if (rc != SQLITE_DONE) fail("Could not read the address books", rc);
  return names;
}

std::int64_t Store::addEntry(std::int64_t book, const std::string& name) {
  sqlite3_stmt* s = statement(kInsertEntry, "INSERT INTO entries(book_id, name) VALUES(?1, ?2)");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, book);
  bindText(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) fail("Could not add the entry", rc);
  return sqlite3_last_insert_rowid(db_);
}

void Store::addField(std::int64_t entry, const std::string& name, int kind,
                     const std::string& value) {
  sqlite3_stmt* s = statement(
      kInsertField, "INSERT INTO fields(entry_id, name, kind, value) VALUES(?1, ?2, ?3, ?4)");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, entry);
  bindText(s, 2, name);
  sqlite3_bind_int(s, 3, kind);
  bindText(s, 4, value);
  int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) fail("Could not add the field \"" + name + "\"", rc);
}

void Store::forEachEntry(std::int64_t book, const std::function<void(const StoredEntry&)>& visit) {
  // One statement: one snapshot, even while another program writes.
  sqlite3_stmt* s = statement(kListEntries,
                              "SELECT e.id, e.name, f.name, f.kind, f.value FROM entries e "
                              "LEFT JOIN fields f ON f.entry_id = e.id "
                              "WHERE e.book_id = ?1 ORDER BY e.id, f.id");
  Reset reset{s};
  sqlite3_bind_int64(s, 1, book);
  StoredEntry entry;
  bool have = false;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    std::int64_t id = sqlite3_column_int64(s, 0);
    if (!have || id != entry.id) {
      if (have) visit(entry);
      entry = StoredEntry{id, columnText(s, 1), {}};
      have = true;
    }
    if (sqlite3_column_type(s, 2) != SQLITE_NULL) {
      entry.fields.push_back({columnText(s, 2), sqlite3_column_int(s, 3), columnText(s, 4)});
    }
  }
  if (rc != SQLITE_DONE) fail("Could not read the entries", rc);
  if (have) visit(entry);
}

void Store::limitPages(std::int64_t pages) {
  std::string sql = "PRAGMA max_page_count=" + std::to_string(pages);
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail("Could not limit the store's size", rc);
}

}  // namespace cardwharf::quillmere
