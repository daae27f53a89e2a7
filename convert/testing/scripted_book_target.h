// ScriptedBookTarget: a BookTarget for tests whose results and failures the
// test sets, and which keeps every row it receives. For tests only.

#ifndef CARDWHARF_CONVERT_TESTING_SCRIPTED_BOOK_TARGET_H_
#define CARDWHARF_CONVERT_TESTING_SCRIPTED_BOOK_TARGET_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/book_target.h"

namespace cardwharf::testing {

class ScriptedBookTarget final : public BookTarget {
 public:
  // When set, every call is also logged here ("openSession", "openBook",
  // "postRow", "runEnded"), to be read beside a RecordingDisplay's log.
  explicit ScriptedBookTarget(std::vector<std::string>* log = nullptr) : log_(log) {}

  OpenSessionResult sessionResult = OpenSessionResult::opened;
  bool bookResult = true;
  // openBook throws an AutomationFailure with this message.
  std::optional<std::string> openBookFailure;
  // postRow throws an AutomationFailure with `postFailure` for row number
  // `failOnRow` (1 for the first), before keeping it.
  int failOnRow = 0;
  std::string postFailure = "Entry could not be created";
  // Run on each row before it is kept, as the address book may change it.
  std::function<void(fieldtyp&)> onPost;
  // Run when the run tells its end.
  std::function<void()> onRunEnded;

  std::vector<fieldtyp> rows;
  int openSessionCalls = 0;
  int openBookCalls = 0;
  int runEndedCalls = 0;

  OpenSessionResult openSession() override;
  bool openBook() override;
  void postRow(fieldtyp& row) override;
  void runEnded() noexcept override;

 private:
  void note(const char* call);

  std::vector<std::string>* log_;
  int posts_ = 0;
};

}  // namespace cardwharf::testing

#endif  // CARDWHARF_CONVERT_TESTING_SCRIPTED_BOOK_TARGET_H_
