// Store: the Quillmere address book store, a SQLite database file.
//
// A store holds accounts, each with address books, each with entries, each
// with fields (name, kind, value) in the order they were added. It is
// identified by its application id and carries a schema version; a store
// made by a newer version is refused rather than guessed at.
//
// Every change is one statement and commits before it returns, in WAL mode
// with synchronous=NORMAL: what a call stored survives a crash of the
// program (a power loss may lose the last moments). A failing statement
// changes nothing. Readers see a consistent snapshot and are never blocked
// by a writer. Every value is bound as a parameter.
//
// A Store is used by one thread at a time. Failures throw StoreError with a
// sentence for people.

#ifndef CARDWHARF_QUILLMERE_STORE_H_
#define CARDWHARF_QUILLMERE_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace cardwharf::quillmere {

class StoreError : public std::runtime_error {
 public:
  enum class Reason { missing, notAStore, newer, damaged, busy, full, io, readOnly, other };
  StoreError(Reason reason, const std::string& message)
      : std::runtime_error(message), reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

struct StoredField {
  std::string name;
  int kind;
  std::string value;
};

struct StoredEntry {
  std::int64_t id = 0;
  std::string name;
  std::vector<StoredField> fields;
};

class Store {
 public:
  enum class Mode {
    readWrite,  // creates the store (folder mode 0700, file mode 0600) when missing
    readOnly    // never writes; a missing store is an error
  };

  // The application id that marks a Quillmere store, and its schema version.
  static constexpr std::int32_t kApplicationId = 0x51756C6D;  // "Qulm"
  static constexpr int kSchemaVersion = 1;
  static constexpr int kBusyTimeoutMs = 5000;

  // $XDG_DATA_HOME/quillmere/store.sqlite3.
  static std::string defaultPath();

  // Opens the store at `path`. Throws StoreError when it cannot be created or
  // opened, is not a Quillmere store, is of a newer schema version, or fails
  // SQLite's quick check.
  static std::unique_ptr<Store> open(const std::string& path, Mode mode);

  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;
  ~Store();

  // The id of the account named `name`, created when there is none.
  std::int64_t ensureAccount(const std::string& name);

  // Creates the book `name` in `account`. Throws StoreError (Reason::other)
  // when the account has a book of that name already.
  std::int64_t addBook(std::int64_t account, const std::string& name);
  std::optional<std::int64_t> findBook(std::int64_t account, const std::string& name);
  // The names of the account's books, in the order they were made.
  std::vector<std::string> books(std::int64_t account);
  std::optional<std::int64_t> findAccount(const std::string& name);

  // Creates an entry named `name` in `book`.
  std::int64_t addEntry(std::int64_t book, const std::string& name);
  // Adds a field to `entry`, after those it has.
  void addField(std::int64_t entry, const std::string& name, int kind, const std::string& value);

  // Calls `visit` for each entry of `book` in the order of creation, with its
  // fields in order, from one consistent snapshot. Memory holds one entry.
  void forEachEntry(std::int64_t book, const std::function<void(const StoredEntry&)>& visit);

  // Caps the store's size at `pages` database pages (for a store size limit).
  void limitPages(std::int64_t pages);

  sqlite3* handle() { return db_; }

 private:
  explicit Store(sqlite3* db) : db_(db) {}
  sqlite3_stmt* statement(int which, const char* sql);
  [[noreturn]] void fail(const std::string& what, int rc);

  sqlite3* db_;
  std::vector<sqlite3_stmt*> statements_;
};

// The name of the account that the user the process runs as works in: the
// user's login name (or "user" and the user id when it has none). The
// component and the quillmere command both go by it.
std::string loginName();

// A plain sentence for the SQLite result code `rc`.
std::string describeFailure(int rc);

}  // namespace cardwharf::quillmere

#endif  // CARDWHARF_QUILLMERE_STORE_H_
