#include "quillmere/store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "testing/temp_dir.h"

namespace cardwharf::quillmere {
namespace {

using testing::TempDir;
using Reason = StoreError::Reason;

Reason reasonOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const StoreError& e) {
    return e.reason();
  }
  return Reason::other;
}

TEST(StoreTest, KeepsBooksEntriesAndFieldsInOrder) {
  TempDir dir;
  std::string path = dir.file("sub/dir/store.sqlite3");
  {
    auto store = Store::open(path, Store::Mode::readWrite);
    std::int64_t account = store->ensureAccount("ann");
    EXPECT_EQ(store->ensureAccount("ann"), account);
    std::int64_t work = store->addBook(account, "Work");
    store->addBook(account, "Home");
    std::int64_t e1 = store->addEntry(work, "First");
    std::int64_t e2 = store->addEntry(work, "Second");
    store->addField(e2, "b", 1, "2");
    store->addField(e1, "a", 1, "1");
    store->addField(e2, "a", 1, "3");
  }
  auto store = Store::open(path, Store::Mode::readOnly);
  std::int64_t account = *store->findAccount("ann");
  EXPECT_EQ(store->books(account), (std::vector<std::string>{"Work", "Home"}));
  std::vector<StoredEntry> entries;
  store->forEachEntry(*store->findBook(account, "Work"),
                      [&](const StoredEntry& e) { entries.push_back(e); });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "First");
  ASSERT_EQ(entries[1].fields.size(), 2u);
  EXPECT_EQ(entries[1].fields[0].name, "b");
  EXPECT_EQ(entries[1].fields[1].value, "3");
  EXPECT_FALSE(store->findBook(account, "Nope").has_value());
  EXPECT_FALSE(store->findAccount("bob").has_value());
  // The store was made whole before it got its name; nothing else is left.
  for (const auto& e : std::filesystem::directory_iterator(dir.file("sub/dir"))) {
    EXPECT_EQ(e.path().filename().string().rfind("store.sqlite3", 0), 0u) << e.path();
    EXPECT_EQ(e.path().string().find(".new-"), std::string::npos) << e.path();
  }
}

// Names every file SQLite opens while it is installed as the default.
class OpenedFiles {
 public:
  OpenedFiles() {
    base_ = sqlite3_vfs_find(nullptr);
    vfs_ = *base_;
    vfs_.zName = "cardwharf-recording";
    vfs_.pAppData = this;
    vfs_.xOpen = [](sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags,
                    int* outFlags) {
      auto* self = static_cast<OpenedFiles*>(vfs->pAppData);
      if (name != nullptr) self->names.emplace_back(name);
      return self->base_->xOpen(self->base_, name, file, flags, outFlags);
    };
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~OpenedFiles() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(base_, 1);
  }
  OpenedFiles(const OpenedFiles&) = delete;
  OpenedFiles& operator=(const OpenedFiles&) = delete;

  std::vector<std::string> names;

 private:
  sqlite3_vfs* base_;
  sqlite3_vfs vfs_;
};

TEST(StoreTest, TheStoreUnderItsNameNeverHasARollbackJournal) {
  // A writer killed while a rollback journal is beside the store leaves it
  // for a writer to undo: every reader would be refused until one came.
  TempDir dir;
  std::string path = dir.file("store.sqlite3");
  std::vector<std::string> opened;
  {
    OpenedFiles files;
    auto store = Store::open(path, Store::Mode::readWrite);
    store->addEntry(store->addBook(store->ensureAccount("ann"), "B"), "e");
    opened = files.names;
  }
  auto wasOpened = [&](const std::string& name) {
    return std::find(opened.begin(), opened.end(), name) != opened.end();
  };
  EXPECT_TRUE(wasOpened(path));
  EXPECT_TRUE(wasOpened(path + "-wal"));
  EXPECT_FALSE(wasOpened(path + "-journal"));
  auto reader = Store::open(path, Store::Mode::readOnly);
  EXPECT_EQ(reader->books(*reader->findAccount("ann")), std::vector<std::string>{"B"});
}

TEST(StoreTest, AMissingStoreIsNotCreatedForReading) {
  TempDir dir;
  EXPECT_EQ(reasonOf([&] { Store::open(dir.file("none.sqlite3"), Store::Mode::readOnly); }),
            Reason::missing);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.sqlite3")));
}

TEST(StoreTest, ABookNameIsUniqueInItsAccount) {
  TempDir dir;
  auto store = Store::open(dir.file("s"), Store::Mode::readWrite);
  std::int64_t ann = store->ensureAccount("ann");
  std::int64_t bob = store->ensureAccount("bob");
  store->addBook(ann, "B");
  store->addBook(bob, "B");
  try {
    store->addBook(ann, "B");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_STREQ(e.what(), "An address book named \"B\" already exists");
  }
}

TEST(StoreTest, AFullStoreRefusesTheChangeAndKeepsTheRest) {
  TempDir dir;
  auto store = Store::open(dir.file("s"), Store::Mode::readWrite);
  std::int64_t book = store->addBook(store->ensureAccount("ann"), "B");
  store->limitPages(10);
  int added = 0;
  Reason reason = Reason::other;
  for (; added < 100000; ++added) {
    reason = reasonOf([&] { store->addEntry(book, std::string(300, 'x')); });
    if (reason != Reason::other) break;
  }
  EXPECT_EQ(reason, Reason::full);
  int counted = 0;
  store->forEachEntry(book, [&](const StoredEntry&) { ++counted; });
  EXPECT_EQ(counted, added);
}

TEST(StoreTest, AWriterHeldUpBeyondTheBusyTimeoutFailsCleanly) {
  TempDir dir;
  std::string path = dir.file("s");
  auto store = Store::open(path, Store::Mode::readWrite);
  std::int64_t book = store->addBook(store->ensureAccount("ann"), "B");
  store->addEntry(book, "before");

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  try {
    store->addEntry(book, "blocked");
    FAIL() << "the write went through";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.reason(), Reason::busy);
    EXPECT_STREQ(e.what(),
                 "Could not add the entry: the address book store is in use by another program "
                 "and did not become free within 5 seconds");
  }
  // A reader is not held up meanwhile.
  int counted = 0;
  store->forEachEntry(book, [&](const StoredEntry&) { ++counted; });
  EXPECT_EQ(counted, 1);
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  store->addEntry(book, "after");
  counted = 0;
  store->forEachEntry(book, [&](const StoredEntry&) { ++counted; });
  EXPECT_EQ(counted, 2);
}

}  // namespace
}  // namespace cardwharf::quillmere
