#include "convert/testing/scripted_book_target.h"

#include "convert/automation_failure.h"

namespace cardwharf::testing {

void ScriptedBookTarget::note(const char* call) {
  if (log_ != nullptr) log_->push_back(call);
}

OpenSessionResult ScriptedBookTarget::openSession() {
  note("openSession");
  ++openSessionCalls;
  return sessionResult;
}

bool ScriptedBookTarget::openBook() {
  note("openBook");
  ++openBookCalls;
  if (openBookFailure) throw AutomationFailure(*openBookFailure);
  return bookResult;
}

void ScriptedBookTarget::postRow(fieldtyp& row) {
  note("postRow");
  if (++posts_ == failOnRow) throw AutomationFailure(postFailure);
  if (onPost) onPost(row);
  rows.push_back(row);
}

void ScriptedBookTarget::runEnded() noexcept {
  note("runEnded");
  ++runEndedCalls;
  if (onRunEnded) onRunEnded();
}

}  // namespace cardwharf::testing
