// The Quillmere component, driven through the automation runtime as the
// address book link drives it.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "addrbook/automation_call.h"
#include "addrbook/field_mapping.h"
#include "addrbook/quillmere_target.h"
#include "automation/interfaces.h"
#include "automation/runtime.h"
#include "convert/automation_failure.h"
#include "quillmere/testing/quillmere_home.h"
#include "quillmere/testing/store_check.h"

namespace cardwharf {
namespace {

using automation::Variant;
using testing::currentLogin;

class ComponentTest : public testing::QuillmereHome {
 protected:
  std::string failureOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationFailure& e) {
      return e.what();
    }
    return "";
  }

  // A session, logged in, and its root account's book collection.
  void loginAndOpenBooks() {
    session = createObject("CorvantisGroupWareSession");
    callMember(session, "Login", {}, nullptr);
    callMember(session, "RootAccount", {}, &account);
    callMember(account, "AddressBooks", {}, &books);
  }

  Variant session, account, books, book, entries, entry, fields;
};

TEST_F(ComponentTest, AConversionThroughTheLinkStoresEveryEntryAndField) {
  fieldtyp ann;
  ann[16] = "Ann";
  ann[24] = "M\xFCller";  // Windows-1252
  ann[7] = "+47 22 00 11 22";
  ann[26] = "Met at the \"fair\", 1999";
  fieldtyp empty;
  {
    QuillmereTarget target;
    ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
    ASSERT_TRUE(target.openBook());
    target.postRow(ann);
    target.postRow(empty);
    target.runEnded();
  }
  // A second program run finds the book and adds to it.
  {
    QuillmereTarget target;
    ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
    ASSERT_TRUE(target.openBook());
    target.postRow(ann);
    target.runEnded();
  }
  std::vector<quillmere::StoredEntry> stored = entriesOf("from Schedule+");
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0].name, "Ann M\xC3\xBCller");
  EXPECT_EQ(stored[1].name, " ");
  ASSERT_EQ(stored[0].fields.size(), 17u);
  for (std::size_t i = 0; i < kFieldMapping.size(); ++i) {
    EXPECT_EQ(stored[0].fields[i].name, kFieldMapping[i].name);
    EXPECT_EQ(stored[0].fields[i].kind, 1);
  }
  EXPECT_EQ(stored[0].fields[2].value, "M\xC3\xBCller");
  EXPECT_EQ(stored[0].fields[10].value, "+47 22 00 11 22");
  EXPECT_EQ(stored[0].fields[11].value, "+47 22 00 11 22");
  EXPECT_EQ(stored[0].fields[16].value, "Met at the \"fair\", 1999");
  EXPECT_EQ(stored[1].fields.size(), 17u);
  EXPECT_EQ(ann[24], "M\xC3\xBCller");  // the column comes back as the component left it
}

TEST_F(ComponentTest, LoginCreatesAPrivateStoreWithTheUsersAccount) {
  session = createObject("CorvantisGroupWareSession");
  callMember(session, "Login", {}, nullptr);
  struct stat st;
  ASSERT_EQ(::stat(home.file("quillmere").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(storePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  auto store = quillmere::Store::open(storePath(), quillmere::Store::Mode::readOnly);
  EXPECT_TRUE(store->findAccount(currentLogin()).has_value());
}

TEST_F(ComponentTest, NothingWorksBeforeLogin) {
  session = createObject("CorvantisGroupWareSession");
  EXPECT_EQ(failureOf([&] { callMember(session, "RootAccount", {}, &account); }),
            "Not logged in: call Login first");
  EXPECT_FALSE(std::filesystem::exists(storePath()));
}

struct BadStore {
  const char* name;
  std::function<void(const std::string& path)> make;
  const char* why;
};

class LoginFailureTest : public ComponentTest, public ::testing::WithParamInterface<BadStore> {};

TEST_P(LoginFailureTest, SaysWhy) {
  std::filesystem::create_directories(home.file("quillmere"));
  GetParam().make(storePath());
  session = createObject("CorvantisGroupWareSession");
  std::string message = failureOf([&] { callMember(session, "Login", {}, nullptr); });
  EXPECT_NE(message.find(GetParam().why), std::string::npos) << message;
  QuillmereTarget target;
  EXPECT_EQ(target.openSession(), OpenSessionResult::loginFailed);
  target.runEnded();
}

void sql(const std::string& path, const char* statements) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, statements, nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, LoginFailureTest,
    ::testing::Values(
        BadStore{"ForeignDatabase",
                 [](const std::string& p) { sql(p, "CREATE TABLE music(title TEXT);"); },
                 "is not a Quillmere address book store"},
        BadStore{"TextFile",
                 [](const std::string& p) { std::ofstream(p) << std::string(5000, 'x'); },
                 "is not a Quillmere address book store"},
        BadStore{"NewerSchema",
                 [](const std::string& p) {
                   std::string statements = "CREATE TABLE t(x); PRAGMA application_id=" +
                                            std::to_string(quillmere::Store::kApplicationId) +
                                            "; PRAGMA user_version=2;";
                   sql(p, statements.c_str());
                 },
                 "was made by a newer version of Quillmere (schema version 2)"},
        BadStore{"Damaged",
                 [](const std::string& p) {
                   {
                     auto s = quillmere::Store::open(p, quillmere::Store::Mode::readWrite);
                     std::int64_t account = s->ensureAccount("x");
                     std::int64_t book = s->addBook(account, "b");
                     for (int i = 0; i < 400; ++i) s->addEntry(book, std::string(200, 'e'));
                   }
                   sql(p, "PRAGMA wal_checkpoint(TRUNCATE);");
                   // Scribble over the pages after the first two.
                   std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
                   f.seekp(4096 * 3);
                   f << std::string(4096 * 4, '\x5A');
                 },
                 "is damaged"},
        BadStore{"FolderInTheWay",
                 [](const std::string& p) { std::filesystem::create_directories(p); },
                 "is not a file"},
        BadStore{"CannotBeCreated",
                 [](const std::string& p) {
                   std::filesystem::remove_all(p.substr(0, p.rfind('/')));
                   std::ofstream(p.substr(0, p.rfind('/'))) << "a file where the folder goes";
                 },
                 "cannot be created"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComponentTest, NamesAreMatchedWithoutRegardToCase) {
  session = createObject("CorvantisGroupWareSession");
  callMember(session, "LOGIN", {}, nullptr);
  callMember(session, "rootaccount", {}, &account);
  callMember(account, "addressBOOKS", {}, &books);
  callMember(books, "ADD", {Argument::byValue("b")}, &book);
  callMember(books, "Item", {Argument::byValue("b")}, &book);
  callMember(book, "addressbookentries", {}, &entries);
  std::string name = "n";
  callMember(entries, "add", {Argument::byReference(name)}, &entry);
  callMember(entry, "FIELDS", {}, &fields);
  std::string value = "v";
  callMember(fields, "ADD",
             {Argument::byValue("f"), Argument::integer(1), Argument::byValue(value)}, nullptr);
  auto stored = entriesOf("b");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].fields[0].value, "v");
  EXPECT_EQ(failureOf([&] { callMember(session, "Logout", {}, nullptr); }),
            "Method 'Logout' not supported by automation object");
  // A member of one object is not a member of another.
  EXPECT_EQ(failureOf([&] { callMember(session, "AddressBooks", {}, &books); }),
            "Method 'AddressBooks' not supported by automation object");
}

TEST_F(ComponentTest, BooksAreUniqueByName) {
  loginAndOpenBooks();
  callMember(books, "Add", {Argument::byValue("from Schedule+")}, &book);
  EXPECT_EQ(
      failureOf([&] { callMember(books, "Add", {Argument::byValue("from Schedule+")}, &book); }),
      "An address book named \"from Schedule+\" already exists");
  EXPECT_EQ(failureOf([&] { callMember(books, "item", {Argument::byValue("Other")}, &book); }),
            "There is no address book named \"Other\"");
  callMember(books, "item", {Argument::byValue("from Schedule+")}, &book);
  EXPECT_NE(book.dispatch(), nullptr);
}

TEST_F(ComponentTest, WrongArgumentsAreRefused) {
  loginAndOpenBooks();
  callMember(books, "Add", {Argument::byValue("b")}, &book);
  callMember(book, "AddressBookEntries", {}, &entries);
  std::string name = "n";
  callMember(entries, "Add", {Argument::byReference(name)}, &entry);
  callMember(entry, "Fields", {}, &fields);

  EXPECT_EQ(failureOf([&] { callMember(session, "Login", {Argument::integer(1)}, nullptr); }),
            "The member was called with the wrong number of arguments");
  EXPECT_EQ(failureOf([&] { callMember(books, "Add", {}, &book); }),
            "The member was called with the wrong number of arguments");
  EXPECT_EQ(failureOf([&] { callMember(books, "Add", {Argument::integer(3)}, &book); }),
            "An argument was of the wrong kind");
  EXPECT_EQ(failureOf([&] {
              callMember(fields, "add",
                         {Argument::byValue("f"), Argument::byValue("1"), Argument::byValue("v")},
                         nullptr);
            }),
            "An argument was of the wrong kind");
  EXPECT_EQ(failureOf([&] {
              callMember(fields, "add",
                         {Argument::byValue("f"), Argument::integer(2), Argument::byValue("v")},
                         nullptr);
            }),
            "Field kind 2 is not known; the only kind is 1 (text)");
  EXPECT_TRUE(entriesOf("b")[0].fields.empty());  // nothing was added by a refused call
}

TEST_F(ComponentTest, RawCallsWithOddShapesAreRefused) {
  loginAndOpenBooks();
  automation::IDispatch* object = books.dispatch();
  automation::DISPPARAMS none;
  automation::VARIANT argument;
  automation::DISPPARAMS named;
  named.rgvarg = &argument;
  named.cArgs = 1;
  named.cNamedArgs = 1;
  automation::DISPPARAMS nullReference;
  automation::VARIANT byRef;
  byRef.vt = automation::VT_BSTR | automation::VT_BYREF;
  byRef.pbstrVal = nullptr;
  nullReference.rgvarg = &byRef;
  nullReference.cArgs = 1;
  using namespace automation;
  EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_POINTER);
  EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &named, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(object->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(
      object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &nullReference, nullptr, nullptr, nullptr),
      E_POINTER);
  // Without an exception record the failure's status comes back itself.
  Bstr name(u"b");
  VARIANT good;
  good.vt = VT_BSTR;
  good.bstrVal = name.get();
  DISPPARAMS one;
  one.rgvarg = &good;
  one.cArgs = 1;
  EXPECT_EQ(object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr),
            E_FAIL);  // item: no such book
}

TEST_F(ComponentTest, ValuesAreStoredExactly) {
  loginAndOpenBooks();
  callMember(books, "Add", {Argument::byValue("b")}, &book);
  callMember(book, "AddressBookEntries", {}, &entries);
  const std::vector<std::string> values = {
      "'); DROP TABLE entries; --",
      "Say \"\"hi\"\" and 'bye'",
      std::string("nul\0inside", 10),
      "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80",
      "",
      "%s %d \\ ; , \t",
  };
  std::string name = "Entry; DELETE FROM fields";
  callMember(entries, "Add", {Argument::byReference(name)}, &entry);
  for (const std::string& v : values) {
    callMember(entry, "Fields", {}, &fields);
    std::string value = v;
    callMember(fields, "add",
               {Argument::byValue("Same"), Argument::integer(1), Argument::byReference(value)},
               nullptr);
    EXPECT_EQ(value, v);
  }
  auto stored = entriesOf("b");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].name, "Entry; DELETE FROM fields");
  ASSERT_EQ(stored[0].fields.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(stored[0].fields[i].name, "Same");  // a name may occur more than once
    EXPECT_EQ(stored[0].fields[i].value, values[i]) << i;
  }
}

TEST_F(ComponentTest, AFullStoreFailsTheCallAndKeepsEverythingBefore) {
  loginAndOpenBooks();
  callMember(books, "Add", {Argument::byValue("b")}, &book);
  callMember(book, "AddressBookEntries", {}, &entries);
  session.clear();
  account.clear();
  books.clear();
  book.clear();
  entries.clear();

  env.set("QUILLMERE_STORE_MAX_PAGES", "12");
  loginAndOpenBooks();
  callMember(books, "item", {Argument::byValue("b")}, &book);
  callMember(book, "AddressBookEntries", {}, &entries);
  int added = 0;
  std::string message;
  for (int i = 0; i < 100000 && message.empty(); ++i) {
    std::string name = "Person " + std::to_string(i) + std::string(100, '.');
    message = failureOf([&] { callMember(entries, "Add", {Argument::byReference(name)}, &entry); });
    if (message.empty()) ++added;
  }
  EXPECT_EQ(message,
            "Could not add the entry: the address book store is full (the disk, or the store's "
            "size limit, has no room left)");
  EXPECT_GT(added, 10);
  auto stored = entriesOf("b");
  ASSERT_EQ(stored.size(), static_cast<std::size_t>(added));
  EXPECT_EQ(stored.back().name, "Person " + std::to_string(added - 1) + std::string(100, '.'));
  EXPECT_EQ(testing::integrityOf(storePath()), "ok");
}

}  // namespace
}  // namespace cardwharf
