// The control of the scriptable test component: what a test tells it to do,
// and what it records. The component library exports testComponentControl(),
// which gives the one control of the process. For tests only.
//
// The component answers the class "CorvantisGroupWareSession" with objects
// of these kinds and members: session (Login, RootAccount), account
// (AddressBooks), books (Add, item), book (AddressBookEntries), entries
// (Add), entry (Fields), fields (add). Names are matched without regard to
// case and recorded exactly as sent.

#ifndef CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_CONTROL_H_
#define CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_CONTROL_H_

#include <map>
#include <string>
#include <vector>

#include "automation/types.h"

namespace cardwharf::testing {

struct Fault {
  enum class Action {
    unknownName,   // the name lookup answers DISP_E_UNKNOWNNAME
    lookupStatus,  // the name lookup answers `status`
    status,        // the call answers `status` (after doing nothing)
    exception,     // the call answers DISP_E_EXCEPTION with `description`, `code`
    noObject,      // the call succeeds but gives a null object
    changeString,  // the call first puts `text` in its string passed by reference
    successStatus  // the call works and then answers `status` (a success code)
  };
  std::string kind;    // "session", "account", "books", "book", "entries", "entry", "fields"
  std::string member;  // as the component knows it: "Login", "item", "add", ...
  int nth = 0;         // which call of that member (1 for the first); 0 for every call
  Action action = Action::status;
  automation::HRESULT status = automation::E_FAIL;
  std::string description;  // UTF-8
  automation::HRESULT code = 0;
  std::string text;  // UTF-8

  static Fault unknown(std::string kind, std::string member) {
    return make(std::move(kind), std::move(member), 0, Action::unknownName);
  }
  static Fault lookupFailing(std::string kind, std::string member, automation::HRESULT status) {
    Fault f = make(std::move(kind), std::move(member), 0, Action::lookupStatus);
    f.status = status;
    return f;
  }
  static Fault failing(std::string kind, std::string member, int nth, automation::HRESULT status) {
    Fault f = make(std::move(kind), std::move(member), nth, Action::status);
    f.status = status;
    return f;
  }
  static Fault throwing(std::string kind, std::string member, int nth, std::string description,
                        automation::HRESULT code) {
    Fault f = make(std::move(kind), std::move(member), nth, Action::exception);
    f.description = std::move(description);
    f.code = code;
    return f;
  }
  static Fault noObject(std::string kind, std::string member) {
    return make(std::move(kind), std::move(member), 0, Action::noObject);
  }
  static Fault changing(std::string kind, std::string member, int nth, std::string text) {
    Fault f = make(std::move(kind), std::move(member), nth, Action::changeString);
    f.text = std::move(text);
    return f;
  }
  static Fault succeedingWith(std::string kind, std::string member, automation::HRESULT status) {
    Fault f = make(std::move(kind), std::move(member), 0, Action::successStatus);
    f.status = status;
    return f;
  }

 private:
  static Fault make(std::string kind, std::string member, int nth, Action action) {
    Fault f;
    f.kind = std::move(kind);
    f.member = std::move(member);
    f.nth = nth;
    f.action = action;
    return f;
  }
};

struct Field {
  std::string name;
  int kind;
  std::string value;
};

struct Entry {
  std::string book;
  std::string name;
  std::vector<Field> fields;
};

struct TestComponentControl {
  // Script.
  std::vector<Fault> faults;
  automation::HRESULT createStatus = automation::S_OK;  // a failure makes creation fail
  std::vector<std::string> books{};                     // address books that exist

  // Record, in order: "create", "lookup KIND.NAME", "invoke KIND.MEMBER
  // FLAGS [ARG, ...]" with each argument as it was placed in the list (the
  // last argument first): I4 n, BSTR "text", BYREF BSTR "text".
  std::vector<std::string> log;
  std::vector<Entry> entries;
  // Objects alive: "session#1" and so on, with their reference counts; an
  // object's end is logged as "destroy session#1".
  std::map<std::string, int> live;
  // Calls made so far, by "kind.member", over all objects of that kind.
  std::map<std::string, int> calls;

  void reset() { *this = TestComponentControl{}; }
};

}  // namespace cardwharf::testing

extern "C" cardwharf::testing::TestComponentControl* testComponentControl();

#endif  // CARDWHARF_ADDRBOOK_TESTING_TEST_COMPONENT_CONTROL_H_
