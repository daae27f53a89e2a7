#include "addrbook/quillmere_target.h"

#include <exception>

#include "addrbook/automation_call.h"
#include "addrbook/field_mapping.h"

namespace cardwharf {

using automation::Variant;

OpenSessionResult QuillmereTarget::openSession() {
  try {
    creation_ = createObject(kSessionClass);
  } catch (const std::exception&) {
    return OpenSessionResult::notCreated;
  }
  Session = creation_;  // releases a session of an earlier run
  try {
    callMember(Session, "Login", {}, nullptr);
  } catch (const std::exception&) {
    return OpenSessionResult::loginFailed;
  }
  return OpenSessionResult::opened;
}

bool QuillmereTarget::openBook() {
  callMember(Session, "RootAccount", {}, &Account);
  try {
    callMember(Account, "AddressBooks", {}, &bookCollection_);
    callMember(bookCollection_, "Add", {Argument::byValue(kBookName)}, &Book);
    return true;
  } catch (const std::exception&) {
    // The book may be there already: open it instead.
  }
  try {
    callMember(Account, "AddressBooks", {}, &bookCollection_);
    callMember(bookCollection_, "item", {Argument::byValue(kBookName)}, &Book);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void QuillmereTarget::postRow(fieldtyp& row) {
  std::string entryName = row[kFirstNameColumn] + " " + row[kLastNameColumn];
  Variant collection;  // the entry collection, then each field collection
  Variant entry;
  callMember(Book, "AddressBookEntries", {}, &collection);
  callMember(collection, "Add", {Argument::byReference(entryName)}, &entry);
  try {
    for (const FieldMapping& field : kFieldMapping) {
      callMember(entry, "Fields", {}, &collection);
      callMember(collection, "add",
                 {Argument::byValue(field.name), Argument::integer(1),
                  Argument::byReference(row[field.column])},
                 nullptr);
    }
  } catch (const std::exception&) {
    // The entry keeps the fields added so far; the run goes on.
  }
}

void QuillmereTarget::runEnded() noexcept {
  creation_.clear();
  bookCollection_.clear();
}

void QuillmereTarget::release() noexcept {
  runEnded();
  Book.clear();
  Account.clear();
  Session.clear();
}

}  // namespace cardwharf
