#include "addrbook/automation_call.h"

#include <gtest/gtest.h>

#include "addrbook/testing/test_component_fixture.h"
#include "automation/types.h"
#include "convert/automation_failure.h"

namespace cardwharf {
namespace {

using automation::Variant;
using testing::Fault;
using Log = std::vector<std::string>;

class AutomationCallTest : public testing::TestComponentTest {
 protected:
  void releaseAll() override {
    session.clear();
    result.clear();
  }

  // The message of the AutomationFailure that `f` throws, or "" for none.
  template <typename F>
  std::string failureOf(F f) {
    try {
      f();
    } catch (const AutomationFailure& failure) {
      return failure.what();
    }
    return "";
  }

  Variant session;
  Variant result;
};

TEST_F(AutomationCallTest, ACallWithoutArgumentsThatWantsAResultIsAlsoAPropertyGet) {
  session = createObject("CorvantisGroupWareSession");
  callMember(session, "Login", {}, nullptr);
  callMember(session, "RootAccount", {}, &result);
  EXPECT_NE(result.dispatch(), nullptr);
  EXPECT_EQ(calls(), (Log{"create", "lookup session.Login", "invoke session.Login 1 []",
                          "lookup session.RootAccount", "invoke session.RootAccount 3 []"}));
}

TEST_F(AutomationCallTest, ArgumentsArePassedLastFirst) {
  session = createObject("CorvantisGroupWareSession");
  Variant account, books, book, entries, entry, fields;
  callMember(session, "RootAccount", {}, &account);
  callMember(account, "AddressBooks", {}, &books);
  callMember(books, "Add",
             {Argument::byValue("B\xFC"
                                "cher")},
             &book);  // Windows-1252
  callMember(book, "AddressBookEntries", {}, &entries);
  std::string name = "M\xC3\xBCller";  // UTF-8
  callMember(entries, "Add", {Argument::byReference(name)}, &entry);
  callMember(entry, "Fields", {}, &fields);
  std::string value = "";
  callMember(fields, "add",
             {Argument::byValue("Title"), Argument::integer(1), Argument::byReference(value)},
             nullptr);
  Log log = calls();
  EXPECT_EQ(log[6],
            "invoke books.Add 1 [BSTR \"B\xC3\xBC"
            "cher\"]");
  EXPECT_EQ(log[10], "invoke entries.Add 1 [BYREF BSTR \"M\xC3\xBCller\"]");
  EXPECT_EQ(log.back(), "invoke fields.add 1 [BYREF BSTR \"\", I4 1, BSTR \"Title\"]");
  ASSERT_EQ(control.entries.size(), 1u);
  EXPECT_EQ(control.entries[0].fields[0].name, "Title");
  EXPECT_EQ(control.entries[0].fields[0].kind, 1);
}

TEST_F(AutomationCallTest, ATargetWithoutAnObjectSendsNothing) {
  result.get()->vt = automation::VT_I4;
  result.get()->lVal = 7;
  Variant number;
  number.get()->vt = automation::VT_I4;
  Variant nullObject;
  nullObject.adoptDispatch(nullptr);
  for (Variant* target : {&session, &number, &nullObject}) {
    EXPECT_EQ(failureOf([&] { callMember(*target, "Login", {}, &result); }),
              "Variant does not reference an automation object");
  }
  EXPECT_TRUE(control.log.empty());
  EXPECT_EQ(result.get()->lVal, 7);  // left as it was
}

TEST_F(AutomationCallTest, AnUnknownNameLeavesTheResultAsItWas) {
  session = createObject("CorvantisGroupWareSession");
  callMember(session, "RootAccount", {}, &result);
  automation::IDispatch* before = result.dispatch();
  EXPECT_EQ(failureOf([&] { callMember(session, "RootAcount", {}, &result); }),
            "Method 'RootAcount' not supported by automation object");
  EXPECT_EQ(result.dispatch(), before);
  control.faults.push_back(
      Fault::lookupFailing("session", "RootAccount", automation::E_ACCESSDENIED));
  EXPECT_EQ(failureOf([&] { callMember(session, "RootAccount", {}, &result); }),
            "Access was denied");
  EXPECT_EQ(result.dispatch(), before);
}

TEST_F(AutomationCallTest, AFailedCallLeavesItsResultCleared) {
  session = createObject("CorvantisGroupWareSession");
  callMember(session, "RootAccount", {}, &result);
  control.faults.push_back(Fault::failing("session", "RootAccount", 0, automation::E_FAIL));
  EXPECT_EQ(failureOf([&] { callMember(session, "RootAccount", {}, &result); }),
            "The operation failed");
  EXPECT_TRUE(result.empty());
}

struct MessageCase {
  const char* name;
  Fault fault;
  std::string message;
};

class FailureMessageTest : public AutomationCallTest,
                           public ::testing::WithParamInterface<MessageCase> {};

TEST_P(FailureMessageTest, FollowsTheRules) {
  session = createObject("CorvantisGroupWareSession");
  Fault f = GetParam().fault;
  f.kind = "session";
  f.member = "Login";
  control.faults.push_back(f);
  EXPECT_EQ(failureOf([&] { callMember(session, "Login", {}, nullptr); }), GetParam().message);
}

using A = Fault::Action;
INSTANTIATE_TEST_SUITE_P(
    Rules, FailureMessageTest,
    ::testing::Values(
        MessageCase{"ExceptionDescriptionTrimmed",
                    Fault::throwing("", "", 0, "Access denied.\r\n", automation::E_FAIL),
                    "Access denied"},
        MessageCase{"ExceptionTrailingDotsAndBlanks",
                    Fault::throwing("", "", 0, "Store is full . . \t", automation::E_FAIL),
                    "Store is full"},
        MessageCase{"ExceptionKeepsInnerText",
                    Fault::throwing("", "", 0, "Disk full. Nothing stored!", 0),
                    "Disk full. Nothing stored!"},
        MessageCase{"ExceptionNonAscii",
                    Fault::throwing("", "", 0,
                                    "B\xC3\xBC"
                                    "cher gesperrt.",
                                    0),
                    "B\xC3\xBC"
                    "cher gesperrt"},
        MessageCase{"EmptyDescriptionUsesItsCode",
                    Fault::throwing("", "", 0, " .\r\n", automation::E_ACCESSDENIED),
                    "Access was denied"},
        MessageCase{"EmptyDescriptionUnknownCode",
                    Fault::throwing("", "", 0, "", automation::status(0x800A0BCD)),
                    "OLE error 800A0BCD"},
        MessageCase{"KnownStatus", Fault::failing("", "", 0, automation::DISP_E_BADPARAMCOUNT),
                    "The member was called with the wrong number of arguments"},
        MessageCase{"UnknownStatus", Fault::failing("", "", 0, automation::status(0x80001234)),
                    "OLE error 80001234"},
        // A success status other than S_OK fails the call too.
        MessageCase{"SuccessStatus", Fault::succeedingWith("", "", automation::S_FALSE),
                    "The operation completed with nothing to do"},
        MessageCase{"UnknownSuccessStatus", Fault::succeedingWith("", "", 2),
                    "OLE error 00000002"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AutomationCallTest, AStringPassedByReferenceComesBackChanged) {
  session = createObject("CorvantisGroupWareSession");
  Variant account, books, book, entries, entry;
  callMember(session, "RootAccount", {}, &account);
  callMember(account, "AddressBooks", {}, &books);
  callMember(books, "Add", {Argument::byValue("b")}, &book);
  callMember(book, "AddressBookEntries", {}, &entries);
  control.faults.push_back(Fault::changing("entries", "Add", 1, "Z\xC3\xBC"));
  std::string name = "old";
  callMember(entries, "Add", {Argument::byReference(name)}, &entry);
  EXPECT_EQ(name, "Z\xC3\xBC");
  // After a failed call nothing is converted back.
  control.faults.push_back(Fault::failing("entries", "Add", 2, automation::E_FAIL));
  std::string kept = "kept";
  EXPECT_NE(failureOf([&] { callMember(entries, "Add", {Argument::byReference(kept)}, &entry); }),
            "");
  EXPECT_EQ(kept, "kept");
}

TEST_F(AutomationCallTest, CreationFailuresUseTheStatusRule) {
  unregister();
  EXPECT_EQ(failureOf([] { createObject("CorvantisGroupWareSession"); }),
            "No class of that name is registered");
}

}  // namespace
}  // namespace cardwharf
