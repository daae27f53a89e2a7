// QuillmereTarget: the program's one BookTarget, which reaches the Quillmere
// address book through the automation runtime.
//
// It holds the program-wide references Session, Account and Book from one
// run to the next; each is replaced when the call that fills it is made in a
// later run, and release() gives them up at program end (Book, Account,
// Session, in that order). What a run needs only for itself, the creation
// reference and the address book collection, is let go when the run ends.
// Main thread only, with the runtime initialised as a single-threaded
// apartment.

#ifndef CARDWHARF_ADDRBOOK_QUILLMERE_TARGET_H_
#define CARDWHARF_ADDRBOOK_QUILLMERE_TARGET_H_

#include <string>

#include "automation/variant.h"
#include "convert/book_target.h"

namespace cardwharf {

class QuillmereTarget final : public BookTarget {
 public:
  // The automation class of the Quillmere session.
  static constexpr const char* kSessionClass = "CorvantisGroupWareSession";
  // The address book that the contacts go to.
  static constexpr const char* kBookName = "from Schedule+";

  QuillmereTarget() = default;
  ~QuillmereTarget() override { release(); }

  // Creates a session object, stores it in Session and logs it in. Never
  // throws.
  OpenSessionResult openSession() override;

  // Looks up the root account (a failure there throws AutomationFailure),
  // then adds the book "from Schedule+" or, when that fails, opens it.
  bool openBook() override;

  // PostToQM: creates an entry named by the row's first and last name in
  // Book (a failure there throws AutomationFailure) and adds the seventeen
  // fields; a failing field ends the filling of that entry silently.
  void postRow(fieldtyp& row) override;

  // Lets go of the creation reference and the address book collection.
  void runEnded() noexcept override;

  // Gives up Book, Account and Session, in this order, and anything a run
  // still held.
  void release() noexcept;

  automation::Variant Session;
  automation::Variant Account;
  automation::Variant Book;

 private:
  automation::Variant creation_;
  automation::Variant bookCollection_;
};

}  // namespace cardwharf

#endif  // CARDWHARF_ADDRBOOK_QUILLMERE_TARGET_H_
