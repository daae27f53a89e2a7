// The two automation operations of the address book link: creating an
// object by class name, and calling a member of an object by name.
//
// Every failure becomes an AutomationFailure whose message follows the
// link's rules: "Variant does not reference an automation object" for a
// target without an object, "Method '<name>' not supported by automation
// object" for a name the object does not know, the object's own exception
// description, or the runtime's text for the status. Messages carry no
// trailing blanks, control characters or periods. Strings are the program's
// byte strings, converted by the runtime's character-set rule. Main thread
// only, with the runtime initialised.

#ifndef CARDWHARF_ADDRBOOK_AUTOMATION_CALL_H_
#define CARDWHARF_ADDRBOOK_AUTOMATION_CALL_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "automation/types.h"
#include "automation/variant.h"

namespace cardwharf {

// One argument of a member call: a string by value, a string by reference
// (which the call may change), or a 32-bit integer. It refers to the
// caller's string, which must outlive the call.
class Argument {
 public:
  enum class Kind { string, stringByReference, integer };

  static Argument byValue(std::string_view text) {
    return Argument(Kind::string, text, nullptr, 0);
  }
  static Argument byReference(std::string& text) {
    return Argument(Kind::stringByReference, text, &text, 0);
  }
  static Argument integer(std::int32_t value) {
    return Argument(Kind::integer, {}, nullptr, value);
  }

  Kind kind() const { return kind_; }
  std::string_view text() const { return text_; }
  std::string* reference() const { return reference_; }
  std::int32_t number() const { return number_; }

 private:
  Argument(Kind kind, std::string_view text, std::string* reference, std::int32_t number)
      : kind_(kind), text_(text), reference_(reference), number_(number) {}

  Kind kind_;
  std::string_view text_;
  std::string* reference_;
  std::int32_t number_;
};

// Creates an object of the class `className` (in-process or local server) as
// its IDispatch interface. Throws AutomationFailure.
automation::Variant createObject(const std::string& className);

// Calls member `member` of the object in `target` with `args` (in their
// order; they are passed last first) and stores the result in `*result`, or
// asks for none when `result` is null. The name is looked up anew on every
// call. After a successful lookup `*result` is cleared before the call; a
// failed call leaves it empty. After a successful call every string passed by
// reference holds what the object left in it. Throws AutomationFailure.
void callMember(automation::Variant& target, std::string_view member,
                std::initializer_list<Argument> args, automation::Variant* result);

// A message as an automation failure carries it: without trailing characters
// of code 32 or less and without trailing periods.
std::string trimMessage(std::string message);

// The message for a failing status: the runtime's text for it, trimmed, or
// "OLE error XXXXXXXX".
std::string statusRuleMessage(automation::HRESULT status);

}  // namespace cardwharf

#endif  // CARDWHARF_ADDRBOOK_AUTOMATION_CALL_H_
