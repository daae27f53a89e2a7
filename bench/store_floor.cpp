#include "bench/store_floor.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "addrbook/field_mapping.h"
#include "quillmere/store.h"

namespace cardwharf::bench {

namespace {

// The floor's store is made anew for every measurement.
const std::string& fresh(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
  return path;
}

}  // namespace

StoreFloor::StoreFloor(const std::string& path)
    : store_(quillmere::Store::open(fresh(path), quillmere::Store::Mode::readWrite)) {
  book_ = store_->addBook(store_->ensureAccount("floor"), "from Schedule+");
  sqlite3* db = store_->handle();
  sqlite3_prepare_v2(db, "INSERT INTO entries(book_id, name) VALUES(?1, ?2)", -1, &entry_, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO fields(entry_id, name, kind, value) VALUES(?1, ?2, ?3, ?4)",
                     -1, &field_, nullptr);
}

StoreFloor::~StoreFloor() {
  sqlite3_finalize(entry_);
  sqlite3_finalize(field_);
}

double StoreFloor::store(long contacts) {
  sqlite3* db = store_->handle();
  std::string value = "+47 22 12 34 56";
  auto start = std::chrono::steady_clock::now();
  for (long n = 0; n < contacts; ++n, ++next_) {
    std::string name = "Person " + std::to_string(next_);
    sqlite3_bind_int64(entry_, 1, book_);
    sqlite3_bind_text(entry_, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(entry_) != SQLITE_DONE) throw std::runtime_error("floor insert failed");
    sqlite3_reset(entry_);
    std::int64_t id = sqlite3_last_insert_rowid(db);
    for (const FieldMapping& f : kFieldMapping) {
      sqlite3_bind_int64(field_, 1, id);
      sqlite3_bind_text(field_, 2, f.name.data(), static_cast<int>(f.name.size()),
                        SQLITE_TRANSIENT);
      sqlite3_bind_int(field_, 3, 1);
      sqlite3_bind_text(field_, 4, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
      if (sqlite3_step(field_) != SQLITE_DONE) throw std::runtime_error("floor insert failed");
      sqlite3_reset(field_);
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakRssKb() {
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace cardwharf::bench
