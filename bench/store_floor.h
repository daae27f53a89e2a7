// The store's floor: the commits that storing contacts takes, made straight
// through SQLite on a store of the same kind, with nothing in between. The
// benchmarks measure the component against it.

#ifndef CARDWHARF_BENCH_STORE_FLOOR_H_
#define CARDWHARF_BENCH_STORE_FLOOR_H_

#include <memory>
#include <string>

struct sqlite3_stmt;

namespace cardwharf::quillmere {
class Store;
}

namespace cardwharf::bench {

class StoreFloor {
 public:
  // Makes a new store at `path`, replacing one an earlier measurement left.
  explicit StoreFloor(const std::string& path);
  StoreFloor(const StoreFloor&) = delete;
  StoreFloor& operator=(const StoreFloor&) = delete;
  ~StoreFloor();

  // Stores `contacts` more contacts, one entry and seventeen fields each, one
  // commit per row written; gives the seconds it took.
  double store(long contacts);

 private:
  std::unique_ptr<quillmere::Store> store_;
  sqlite3_stmt* entry_ = nullptr;
  sqlite3_stmt* field_ = nullptr;
  long long book_ = 0;
  long next_ = 0;
};

// Peak resident memory of this process so far, in kB.
long peakRssKb();

}  // namespace cardwharf::bench

#endif  // CARDWHARF_BENCH_STORE_FLOOR_H_
