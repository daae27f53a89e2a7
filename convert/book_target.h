// BookTarget: what a conversion run needs of the address book.
//
// The address book link implements it. Its one object lives as long as the
// program and holds the session, the account and the target book between
// runs. Called on the window's thread only.

#ifndef CARDWHARF_CONVERT_BOOK_TARGET_H_
#define CARDWHARF_CONVERT_BOOK_TARGET_H_

#include "convert/row.h"

namespace cardwharf {

enum class OpenSessionResult {
  opened,      // the session object was created and logged in
  notCreated,  // the session object could not be created
  loginFailed  // the session object was created, its login failed
};

class BookTarget {
 public:
  BookTarget() = default;
  BookTarget(const BookTarget&) = delete;
  BookTarget& operator=(const BookTarget&) = delete;
  virtual ~BookTarget() = default;

  // Creates a new session and logs it in. Never throws.
  virtual OpenSessionResult openSession() = 0;

  // Finds the session's root account, then creates the target book or, when
  // that fails, opens it. True when either gave the book; false when neither
  // did. A failure of the root account lookup throws AutomationFailure.
  virtual bool openBook() = 0;

  // Creates one entry in the target book from `row` and fills its fields.
  // Throws AutomationFailure when the entry cannot be created; a failure
  // while filling the fields is absorbed. A column may come back changed by
  // the address book.
  virtual void postRow(fieldtyp& row) = 0;

  // Told once at the end of every run, on every way out, so that the link
  // can let go of what it held for that run only.
  virtual void runEnded() noexcept = 0;
};

}  // namespace cardwharf

#endif  // CARDWHARF_CONVERT_BOOK_TARGET_H_
