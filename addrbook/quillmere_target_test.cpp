#include "addrbook/quillmere_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "addrbook/field_mapping.h"
#include "addrbook/testing/test_component_fixture.h"
#include "convert/automation_failure.h"

namespace cardwharf {
namespace {

using testing::Fault;
using A = Fault::Action;
using Log = std::vector<std::string>;

class QuillmereTargetTest : public testing::TestComponentTest {
 protected:
  void releaseAll() override { target.release(); }

  // openSession and openBook of one run, as the run makes them.
  void open() {
    ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
    ASSERT_TRUE(target.openBook());
  }

  std::string failureOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationFailure& failure) {
      return failure.what();
    }
    return "";
  }

  // The one object of `kind` alive, or "" when there is none (or several).
  std::string alive(const std::string& kind) const {
    std::string found;
    for (const auto& [id, refs] : control.live) {
      if (id.rfind(kind + "#", 0) == 0) {
        if (!found.empty()) return "several";
        found = id;
      }
    }
    return found;
  }

  static fieldtyp fullRow() {
    fieldtyp row;
    for (int c = 1; c <= 31; ++c) {
      if (c != 29) row[c] = "c" + std::to_string(c);
    }
    return row;
  }

  QuillmereTarget target;
};

TEST_F(QuillmereTargetTest, OpeningMakesTheCallsInOrder) {
  open();
  EXPECT_EQ(calls(), (Log{"create", "lookup session.Login", "invoke session.Login 1 []",
                          "lookup session.RootAccount", "invoke session.RootAccount 3 []",
                          "lookup account.AddressBooks", "invoke account.AddressBooks 3 []",
                          "lookup books.Add", "invoke books.Add 1 [BSTR \"from Schedule+\"]"}));
  EXPECT_EQ(control.books, (std::vector<std::string>{"from Schedule+"}));
}

TEST_F(QuillmereTargetTest, AnExistingBookIsOpenedByName) {
  control.books = {"from Schedule+"};
  open();
  Log log = calls();
  Log tail(log.end() - 4, log.end());
  EXPECT_EQ(tail, (Log{"lookup account.AddressBooks", "invoke account.AddressBooks 3 []",
                       "lookup books.item", "invoke books.item 1 [BSTR \"from Schedule+\"]"}));
  EXPECT_EQ(linesStartingWith("invoke account.AddressBooks").size(), 2u);
}

TEST_F(QuillmereTargetTest, AFailingCollectionIsFetchedAgainForTheOpenAttempt) {
  control.books = {"from Schedule+"};
  control.faults.push_back(Fault::failing("account", "AddressBooks", 1, automation::E_FAIL));
  open();
  EXPECT_EQ(linesStartingWith("invoke account.AddressBooks").size(), 2u);
  EXPECT_TRUE(linesStartingWith("invoke books.Add").empty());
  EXPECT_EQ(linesStartingWith("invoke books.item").size(), 1u);
}

TEST_F(QuillmereTargetTest, NoBookGivesFalse) {
  control.faults.push_back(Fault::throwing("books", "Add", 0, "Quota", automation::E_FAIL));
  ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
  EXPECT_FALSE(target.openBook());  // and item finds none
  control.faults = {Fault::failing("account", "AddressBooks", 0, automation::E_FAIL)};
  EXPECT_FALSE(target.openBook());
}

TEST_F(QuillmereTargetTest, SessionFailures) {
  unregister();
  EXPECT_EQ(target.openSession(), OpenSessionResult::notCreated);
  EXPECT_TRUE(target.Session.empty());
  home.write("automation/classes/CorvantisGroupWareSession.class",
             "CLSID={C0F1A7E5-2B3D-4C5E-8F90-A1B2C3D4E5F6}\nInprocServer=" +
                 std::string(TEST_COMPONENT) + "\n");
  control.createStatus = automation::E_OUTOFMEMORY;
  EXPECT_EQ(target.openSession(), OpenSessionResult::notCreated);
  control.createStatus = automation::S_OK;
  control.faults = {Fault::throwing("session", "Login", 0, "Wrong password", automation::E_FAIL)};
  EXPECT_EQ(target.openSession(), OpenSessionResult::loginFailed);
  EXPECT_NE(target.Session.dispatch(), nullptr);  // the new object is kept
  std::string session = alive("session");
  // A creation failure leaves Session as it was.
  control.createStatus = automation::E_FAIL;
  EXPECT_EQ(target.openSession(), OpenSessionResult::notCreated);
  target.runEnded();
  EXPECT_EQ(alive("session"), session);
}

TEST_F(QuillmereTargetTest, ARegistrationThatIsRefusedCreatesNoSession) {
  std::string file = home.file("automation/classes/CorvantisGroupWareSession.class");
  std::string writable = home.file("writable.so");
  std::filesystem::copy_file(TEST_COMPONENT, writable);
  ::chmod(writable.c_str(), 0777);
  const std::string clsid = "CLSID={C0F1A7E5-2B3D-4C5E-8F90-A1B2C3D4E5F6}\n";
  for (const std::string& text :
       {clsid + "InprocServer=relative/lib.so\n", clsid + "InprocServer=" + home.file("none.so"),
        clsid + "InprocServer=" + writable + "\n", std::string("CLSID={bad}\n"),
        clsid + "InprocServer=/etc/hostname\n"}) {
    testing::writeFile(file, text);
    EXPECT_EQ(target.openSession(), OpenSessionResult::notCreated) << text;
    EXPECT_TRUE(target.Session.empty());
  }
  ::chmod(file.c_str(), 0666);  // a registration others may write
  testing::writeFile(file, clsid + "InprocServer=" + TEST_COMPONENT + "\n");
  ::chmod(file.c_str(), 0666);
  EXPECT_EQ(target.openSession(), OpenSessionResult::notCreated);
  ::chmod(file.c_str(), 0644);
  EXPECT_EQ(target.openSession(), OpenSessionResult::opened);
}

TEST_F(QuillmereTargetTest, AMissingRootAccountIsRaised) {
  control.faults = {Fault::unknown("session", "RootAccount")};
  ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
  EXPECT_EQ(failureOf([&] { target.openBook(); }),
            "Method 'RootAccount' not supported by automation object");
}

TEST_F(QuillmereTargetTest, ABookWithoutAnObjectFailsTheFirstPost) {
  control.faults = {Fault::noObject("books", "Add")};
  open();
  fieldtyp row = fullRow();
  EXPECT_EQ(failureOf([&] { target.postRow(row); }),
            "Variant does not reference an automation object");
}

TEST_F(QuillmereTargetTest, OnePostedRowIsThirtySixCallsAndSeventeenFields) {
  open();
  control.log.clear();
  fieldtyp row = fullRow();
  target.postRow(row);

  Log lookups = linesStartingWith("lookup ");
  Log invokes = linesStartingWith("invoke ");
  EXPECT_EQ(lookups.size(), 36u);
  ASSERT_EQ(invokes.size(), 36u);
  EXPECT_EQ(invokes[0], "invoke book.AddressBookEntries 3 []");
  EXPECT_EQ(invokes[1], "invoke entries.Add 1 [BYREF BSTR \"c16 c24\"]");
  for (std::size_t i = 0; i < kFieldMapping.size(); ++i) {
    const FieldMapping& f = kFieldMapping[i];
    EXPECT_EQ(invokes[2 + 2 * i], "invoke entry.Fields 3 []");
    EXPECT_EQ(invokes[3 + 2 * i], "invoke fields.add 1 [BYREF BSTR \"c" + std::to_string(f.column) +
                                      "\", I4 1, BSTR \"" + std::string(f.name) + "\"]");
  }
  EXPECT_EQ(lookups[3], "lookup fields.add");  // lower case, as sent
  ASSERT_EQ(control.entries.size(), 1u);
  EXPECT_EQ(control.entries[0].name, "c16 c24");
  EXPECT_EQ(control.entries[0].book, "from Schedule+");
  std::vector<std::string> names;
  for (const auto& field : control.entries[0].fields) names.push_back(field.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "Title", "First Name", "Last Name", "Organization", "Department", "Address", "City",
                "State", "ZIP Code", "Country", "Office Phone Number", "Phone Number", "Fax Number",
                "Cellular Phone Number", "Home Phone Number", "Mail Stop", "Comments"}));
  EXPECT_EQ(control.entries[0].fields[11].value, "c7");
}

TEST_F(QuillmereTargetTest, AnEmptyRowStillSendsEveryField) {
  open();
  fieldtyp row;
  target.postRow(row);
  ASSERT_EQ(control.entries.size(), 1u);
  EXPECT_EQ(control.entries[0].name, " ");
  ASSERT_EQ(control.entries[0].fields.size(), 17u);
  for (const auto& field : control.entries[0].fields) EXPECT_EQ(field.value, "");
  EXPECT_EQ(linesStartingWith("invoke fields.add 1 [BYREF BSTR \"\", I4 1,").size(), 17u);
}

TEST_F(QuillmereTargetTest, AFailingFieldEndsThatEntryOnly) {
  open();
  control.faults = {Fault::throwing("fields", "add", 5, "No", automation::E_FAIL)};
  fieldtyp first = fullRow();
  fieldtyp second = fullRow();
  target.postRow(first);
  target.postRow(second);
  ASSERT_EQ(control.entries.size(), 2u);
  ASSERT_EQ(control.entries[0].fields.size(), 4u);
  EXPECT_EQ(control.entries[0].fields[3].name, "Organization");
  EXPECT_EQ(control.entries[1].fields.size(), 17u);
}

TEST_F(QuillmereTargetTest, AFailingFieldCollectionLeavesTheEntryEmpty) {
  open();
  control.faults = {Fault::failing("entry", "Fields", 1, automation::E_FAIL)};
  fieldtyp first = fullRow();
  fieldtyp second = fullRow();
  target.postRow(first);
  target.postRow(second);
  ASSERT_EQ(control.entries.size(), 2u);
  EXPECT_TRUE(control.entries[0].fields.empty());
  EXPECT_EQ(control.entries[1].fields.size(), 17u);
}

TEST_F(QuillmereTargetTest, PhoneNumberSendsWhatOfficePhoneNumberLeft) {
  open();
  control.faults = {Fault::changing("fields", "add", 11, "+47 22 00 00 00")};
  fieldtyp row = fullRow();
  target.postRow(row);
  ASSERT_EQ(control.entries[0].fields.size(), 17u);
  EXPECT_EQ(control.entries[0].fields[10].value, "+47 22 00 00 00");
  EXPECT_EQ(control.entries[0].fields[11].value, "+47 22 00 00 00");
  EXPECT_EQ(row[7], "+47 22 00 00 00");
}

TEST_F(QuillmereTargetTest, AFailingEntryIsRaisedAndChangesNoReference) {
  open();
  automation::IDispatch* book = target.Book.dispatch();
  control.faults = {Fault::throwing("entries", "Add", 0, "Access denied.\r\n", automation::E_FAIL)};
  fieldtyp row = fullRow();
  EXPECT_EQ(failureOf([&] { target.postRow(row); }), "Access denied");
  EXPECT_EQ(target.Book.dispatch(), book);
  EXPECT_TRUE(linesStartingWith("invoke entry.").empty());
  control.faults = {Fault::failing("book", "AddressBookEntries", 0, automation::E_FAIL)};
  EXPECT_EQ(failureOf([&] { target.postRow(row); }), "The operation failed");
  EXPECT_EQ(target.Book.dispatch(), book);
}

TEST_F(QuillmereTargetTest, TemporariesGoWhenTheRunEnds) {
  open();
  EXPECT_EQ(control.live[alive("session")], 2);  // Session and the creation reference
  EXPECT_NE(alive("books"), "");
  fieldtyp row = fullRow();
  target.postRow(row);
  EXPECT_EQ(alive("entries"), "");  // the entry collection, entry and fields of a row
  EXPECT_EQ(alive("entry"), "");
  EXPECT_EQ(alive("fields"), "");
  target.runEnded();
  EXPECT_EQ(control.live[alive("session")], 1);
  EXPECT_EQ(alive("books"), "");
  EXPECT_NE(alive("account"), "");
  EXPECT_NE(alive("book"), "");
}

TEST_F(QuillmereTargetTest, ASecondRunReplacesEachReferenceWhenItsCallIsMade) {
  open();
  target.runEnded();
  std::string session1 = alive("session"), account1 = alive("account"), book1 = alive("book");
  control.log.clear();

  ASSERT_EQ(target.openSession(), OpenSessionResult::opened);
  // The first session went when the second was stored, before its login.
  Log log = control.log;
  auto at = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) - log.begin();
  };
  EXPECT_LT(at("destroy " + session1), at("lookup session.Login"));
  EXPECT_GT(at("destroy " + session1), at("create"));
  EXPECT_EQ(control.live.count(account1), 1u);  // account and book not yet
  EXPECT_EQ(control.live.count(book1), 1u);

  ASSERT_TRUE(target.openBook());
  log = control.log;
  EXPECT_GT(at("destroy " + account1), at("lookup session.RootAccount"));
  EXPECT_LT(at("destroy " + account1), at("invoke session.RootAccount 3 []"));
  EXPECT_GT(at("destroy " + book1), at("lookup books.Add"));
  EXPECT_LT(at("destroy " + book1), at("invoke books.Add 1 [BSTR \"from Schedule+\"]"));
}

TEST_F(QuillmereTargetTest, ReleaseGivesUpBookAccountSessionInThatOrder) {
  open();
  target.runEnded();
  std::string session = alive("session"), account = alive("account"), book = alive("book");
  control.log.clear();
  target.release();
  EXPECT_EQ(control.log, (Log{"destroy " + book, "destroy " + account, "destroy " + session}));
}

TEST_F(QuillmereTargetTest, ReleasingWithoutARunReleasesNothing) {
  target.release();
  EXPECT_TRUE(control.log.empty());
}

}  // namespace
}  // namespace cardwharf
